'use strict';

// Settings: the telemetry and automatic-update switches (their state is pushed in by the
// application each time the window opens; the update row shows only when Lumenor has an
// update service) and replaying the interactive tutorial.
(function (LM) {
  let telemetry = false;
  let updates = false;

  function render() {
    LM.byId('telemetry').setAttribute('aria-checked', telemetry ? 'true' : 'false');
    LM.byId('updates').setAttribute('aria-checked', updates ? 'true' : 'false');
  }

  window.__qvPrefsInit = function (prefs) {
    telemetry = !!prefs && prefs.telemetry === true;
    render();
  };

  window.__qvUpdatesInit = function (state) {
    updates = !!state && state.automatic === true;
    LM.byId('updates-pref').hidden = false;
    render();
  };

  LM.byId('updates').addEventListener('click', () => {
    updates = !updates;
    render();
    LM.post('qvPrefs', { action: 'setAutomaticUpdates', value: updates });
  });

  LM.byId('telemetry').addEventListener('click', () => {
    telemetry = !telemetry;
    render();
    LM.post('qvPrefs', { action: 'setTelemetry', value: telemetry });
  });

  LM.byId('replay').addEventListener('click', () => {
    LM.post('qvPrefs', { action: 'replayTutorial' });
    LM.byId('replay-done').textContent = 'The interactive tutorial will run the next time Lumenor starts.';
  });

  render();
})(window.LM);
