'use strict';

// Starts the controller page: wires every section, reports text editing so that the
// application's single-letter shortcuts stay out of typing, and asks for the state once.
(function (LM) {
  function isTextField(node) {
    return node instanceof HTMLInputElement && node.type !== 'checkbox' && node.type !== 'radio';
  }

  function init() {
    LM.initDisplays();
    LM.initModes();
    LM.initPatterns();
    LM.initOutput();
    LM.initSettings();
    LM.initProfiles();
    LM.initRemote();
    LM.initCalibration();
    LM.initTour();
    document.addEventListener('focusin', (event) => {
      if (isTextField(event.target)) {
        LM.post('bridge', { verb: 'setEditing', on: true });
      }
    });
    document.addEventListener('focusout', (event) => {
      if (isTextField(event.target)) {
        LM.post('bridge', { verb: 'setEditing', on: false });
      }
    });
    if (!LM.readySent) {
      LM.readySent = true;
      LM.post('bridge', { verb: 'ready' });
    }
  }

  if (document.readyState === 'loading') {
    document.addEventListener('DOMContentLoaded', init, { once: true });
  } else {
    init();
  }
})(window.LM);
