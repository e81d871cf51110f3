'use strict';

// What the page knows of the application's state, and the readouts along the top that
// say at a glance what is on which display and whether frames drop.
(function (LM) {
  const state = {
    displays: [],
    selectedId: null,
    outputId: null,
    pattern: 'calibration',
    outputVisible: false,
    infoVisible: false,
    mirror: false,
    autoCycle: false,
    frame: null,
  };
  LM.state = state;

  function byIdIn(list, id) {
    return list.find((d) => d.id === id) || null;
  }

  // The display whose modes are listed: the chosen one while it is attached, else the first.
  LM.selectedDisplay = function () {
    return byIdIn(state.displays, state.selectedId) || state.displays[0] || null;
  };

  // Where the output goes: the chosen display while attached, else the first external one,
  // else the first.
  LM.outputDisplay = function () {
    return (
      byIdIn(state.displays, state.outputId) ||
      state.displays.find((d) => !d.isBuiltin) ||
      state.displays[0] ||
      null
    );
  };

  // Several displays may carry the same model name; the number tells them apart.
  LM.displayLabel = function (display) {
    const twins = state.displays.filter((d) => d.name === display.name).length;
    return twins > 1 ? display.name + ' (#' + display.id + ')' : display.name;
  };

  LM.modeText = function (mode) {
    if (!mode) {
      return '';
    }
    const size = mode.pixelWidth + ' × ' + mode.pixelHeight;
    const hz = LM.formatHz(mode.refreshHz);
    return hz ? size + ' @ ' + hz + ' Hz' : size;
  };

  function setLamp(lamp, kind) {
    lamp.className = 'lamp' + (kind ? ' ' + kind : '');
  }

  function renderOutput() {
    const target = LM.outputDisplay();
    const where = target ? LM.displayLabel(target) + ' · ' + LM.modeText(target.currentMode) : 'No display';
    LM.byId('output-state').textContent = state.outputVisible ? 'Live' : 'Hidden';
    setLamp(LM.byId('output-lamp'), state.outputVisible ? 'live' : '');
    const extras = [];
    if (state.mirror) {
      extras.push('mirrored on all');
    }
    if (state.infoVisible) {
      extras.push('info card');
    }
    const sub = LM.byId('output-where');
    sub.textContent = where + (extras.length ? ' · ' + extras.join(', ') : '');
    sub.title = sub.textContent;
    LM.byId('output-target').textContent = target ? 'to ' + LM.displayLabel(target) : 'no display attached';
  }

  function renderPattern() {
    LM.byId('pattern-state').textContent = LM.patternTitle(state.pattern);
    const thumb = LM.byId('pattern-thumb');
    const known = LM.patternNames.includes(state.pattern);
    thumb.hidden = !known;
    if (known) {
      thumb.src = 'previews/' + state.pattern + '.png';
    }
    LM.byId('pattern-extra').textContent = state.autoCycle ? 'Cycling solid fields' : 'Auto-cycle off';
  }

  function renderFrames() {
    const frame = state.frame;
    const lamp = LM.byId('frames-lamp');
    const label = LM.byId('frames-state');
    const detail = LM.byId('frames-detail');
    LM.byId('readout-frames').classList.toggle('idle', !state.outputVisible);
    if (!frame) {
      LM.byId('readout-frames').classList.remove('alert');
      setLamp(lamp, '');
      label.textContent = 'No signal';
      detail.textContent = 'Counted while the output is up';
      return;
    }
    if (frame.unavailable) {
      LM.byId('readout-frames').classList.remove('alert');
      setLamp(lamp, '');
      label.textContent = 'Not measured';
      detail.textContent = frame.unavailable;
      return;
    }
    // With the output hidden the last report stays readable but no longer counts as live.
    const live = state.outputVisible;
    const dropping = live && !frame.steady;
    setLamp(lamp, live ? (dropping ? 'alert' : 'live') : '');
    label.textContent = live ? (dropping ? 'Dropping' : 'Steady') : 'Idle';
    const hz = LM.formatHz(frame.hz);
    detail.textContent = (live ? '' : 'Last: ') + (hz ? hz + ' Hz · ' : '') + frame.dropped + ' dropped';
    LM.byId('readout-frames').classList.toggle('alert', dropping);
  }

  LM.renderStatus = function () {
    renderOutput();
    renderPattern();
    renderFrames();
  };
})(window.LM);
