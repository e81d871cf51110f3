'use strict';

// Output controls: show / hide, blank, information card, mirroring, auto-cycle, and the
// live frame status.
(function (LM) {
  const state = LM.state;
  let cycleSeconds = 2;

  function renderOutputControls() {
    const toggle = LM.byId('output-toggle');
    LM.setPressed(toggle, state.outputVisible);
    toggle.classList.toggle('live', state.outputVisible);
    LM.byId('output-toggle-label').textContent = state.outputVisible ? 'Hide output' : 'Show output';
    LM.setPressed(LM.byId('info-toggle'), state.infoVisible);
    LM.setPressed(LM.byId('mirror-toggle'), state.mirror);
    LM.setPressed(LM.byId('cycle-toggle'), state.autoCycle);
    LM.renderStatus();
  }

  window.outputVisibilityChanged = function (visible) {
    state.outputVisible = visible === true;
    renderOutputControls();
  };

  window.infoVisibilityChanged = function (visible) {
    state.infoVisible = visible === true;
    renderOutputControls();
  };

  window.mirrorChanged = function (on) {
    state.mirror = on === true;
    renderOutputControls();
  };

  window.autoCycleChanged = function (on) {
    state.autoCycle = on === true;
    renderOutputControls();
  };

  // With `unavailable` (a sentence) there are no counts: the refreshes cannot be timed.
  window.frameStatus = function (hz, dropped, steady, unavailable) {
    if (typeof unavailable === 'string') {
      state.frame = { unavailable };
      LM.renderStatus();
      return;
    }
    if (!LM.isNumber(hz) || !LM.isNumber(dropped)) {
      return;
    }
    state.frame = { hz, dropped, steady: steady === true };
    LM.renderStatus();
  };

  // The interval field: a number of seconds, kept within what makes sense for a cycle.
  function readCycleSeconds() {
    const field = LM.byId('cycle-seconds');
    const value = Number(field.value);
    if (field.value.trim() === '' || !isFinite(value) || value < 0.5 || value > 3600) {
      field.value = String(cycleSeconds);
      return null;
    }
    cycleSeconds = value;
    return value;
  }

  LM.initOutput = function () {
    LM.byId('output-toggle').addEventListener('click', () =>
      LM.post('bridge', { verb: 'showOutput', on: !state.outputVisible }));
    LM.byId('blank').addEventListener('click', () => LM.post('bridge', { verb: 'blank' }));
    LM.byId('info-toggle').addEventListener('click', () =>
      LM.post('bridge', { verb: 'showInfo', on: !state.infoVisible }));
    LM.byId('mirror-toggle').addEventListener('click', () =>
      LM.post('bridge', { verb: 'setMirror', on: !state.mirror }));
    LM.byId('cycle-toggle').addEventListener('click', () => {
      readCycleSeconds();
      LM.post('bridge', { verb: 'autoCycle', on: !state.autoCycle, seconds: cycleSeconds });
    });
    LM.byId('cycle-seconds').addEventListener('change', () => {
      const seconds = readCycleSeconds();
      if (seconds !== null) {
        LM.post('bridge', { verb: 'autoCycle', on: state.autoCycle, seconds });
      }
    });
    renderOutputControls();
  };
})(window.LM);
