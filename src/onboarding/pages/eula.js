'use strict';

// The licence agreement. In gate mode the application waits for Agree or Quit; in view
// mode the page only shows the text. A page opened without a known mode offers Agree and
// Quit, so that a waiting gate can always be answered.
(function (LM) {
  function send(action) {
    LM.post('qvEula', { action });
  }

  function init() {
    const query = new URLSearchParams(window.location.search);
    const viewOnly = query.get('mode') === 'view';
    const version = query.get('v');
    if (version) {
      LM.byId('eula-version').textContent = 'Lumenor · agreement version ' + version;
    }
    document.body.classList.toggle('view-mode', viewOnly);
    LM.byId('gate-actions').hidden = viewOnly;
    LM.byId('gate-note').hidden = viewOnly;
    LM.byId('view-actions').hidden = !viewOnly;
    LM.byId('agree').addEventListener('click', () => send('agree'));
    LM.byId('quit').addEventListener('click', () => send('quit'));
    LM.byId('close').addEventListener('click', () => send('close'));
    document.addEventListener('keydown', (event) => {
      if (viewOnly && event.key === 'Escape') {
        send('close');
      }
    });
    // The text first: Enter should not accept an agreement nobody has looked at.
    (viewOnly ? LM.byId('close') : document.querySelector('.licence-text')).focus();
  }

  init();
})(window.LM);
