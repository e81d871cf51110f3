'use strict';

// Preferences: the telemetry switch (its state is pushed in by the application each time
// the window opens) and replaying the guided tour.
(function (LM) {
  let telemetry = false;

  function render() {
    LM.byId('telemetry').setAttribute('aria-checked', telemetry ? 'true' : 'false');
  }

  window.__qvPrefsInit = function (prefs) {
    telemetry = !!prefs && prefs.telemetry === true;
    render();
  };

  LM.byId('telemetry').addEventListener('click', () => {
    telemetry = !telemetry;
    render();
    LM.post('qvPrefs', { action: 'setTelemetry', value: telemetry });
  });

  LM.byId('replay').addEventListener('click', () => {
    LM.post('qvPrefs', { action: 'replayTutorial' });
    LM.byId('replay-done').textContent = 'The tour will run the next time Lumenor starts.';
  });

  render();
})(window.LM);
