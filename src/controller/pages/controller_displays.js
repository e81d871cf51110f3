'use strict';

// The attached displays: which one's modes are listed, which one takes the output,
// identify cards and the clipboard report.
(function (LM) {
  const state = LM.state;
  let copiedTimer = null;

  function compactMode(mode) {
    if (!mode) {
      return '';
    }
    const hz = LM.formatHz(mode.refreshHz);
    return mode.pixelWidth + '×' + mode.pixelHeight + (hz ? ' @ ' + hz + ' Hz' : '');
  }

  function pointsText(display) {
    const mode = display.currentMode || {};
    if (mode.pointWidth && mode.pointWidth !== mode.pixelWidth) {
      return 'Desktop scaled to ' + mode.pointWidth + ' × ' + mode.pointHeight + ' points';
    }
    return '';
  }

  function displayCard(display, selected, output) {
    const item = LM.el('li', 'display' + (output ? ' is-output' : '') + (selected ? ' is-selected' : ''));
    item.dataset.id = String(display.id);

    const pick = LM.el('button', 'display-pick');
    pick.type = 'button';
    LM.setPressed(pick, selected);
    pick.title = [LM.displayLabel(display), pointsText(display), 'Click to list its modes'].filter(Boolean).join('\n');
    // The name gives way to the tag beside it; the mode below has the whole width.
    const line = LM.el('span', 'display-line');
    line.appendChild(LM.el('span', 'display-name', LM.displayLabel(display)));
    line.appendChild(LM.el('span', 'tag' + (display.isBuiltin ? '' : ' tag-ext'), display.isBuiltin ? 'Built-in' : 'External'));
    pick.appendChild(line);
    pick.appendChild(LM.el('span', 'display-spec', compactMode(display.currentMode)));
    item.appendChild(pick);

    // A tally: lit on the display that takes the output.
    const out = LM.el('button', 'tally');
    out.type = 'button';
    LM.setPressed(out, output);
    out.appendChild(LM.el('span', 'lamp' + (output ? ' live' : '')));
    out.appendChild(LM.el('span', 'tally-label', 'Out'));
    out.title = output ? 'The output goes to this display' : 'Send the output to this display';
    out.setAttribute('aria-label', 'Out: ' + (output ? 'output goes to ' : 'send the output to ') + LM.displayLabel(display));
    item.insertBefore(out, pick);

    pick.addEventListener('click', () => {
      state.selectedId = display.id;
      LM.post('bridge', { verb: 'selectDisplay', id: display.id });
      LM.renderDisplays();
    });
    out.addEventListener('click', () => {
      state.outputId = display.id;
      LM.post('bridge', { verb: 'selectOutputDisplay', id: display.id });
      LM.renderDisplays();
    });
    return item;
  }

  LM.renderDisplays = function () {
    const list = LM.byId('display-list');
    const selected = LM.selectedDisplay();
    const output = LM.outputDisplay();
    list.replaceChildren(...state.displays.map((d) => displayCard(d, d === selected, d === output)));
    LM.byId('displays-empty').hidden = state.displays.length > 0;
    LM.byId('identify').disabled = state.displays.length === 0;
    LM.renderModesHeading();
    LM.renderStatus();
  };

  function validDisplay(d) {
    return d && typeof d === 'object' && LM.isNumber(d.id) && typeof d.name === 'string';
  }

  window.displaysChanged = function (displays) {
    state.displays = Array.isArray(displays) ? displays.filter(validDisplay) : [];
    LM.renderDisplays();
    LM.renderCalibrationDisplays();
  };

  // After a profile is loaded: the core's selections replace the page's.
  LM.syncDisplaySelections = function (selectedId, outputId) {
    if (LM.isNumber(selectedId)) {
      state.selectedId = selectedId;
    }
    if (LM.isNumber(outputId)) {
      state.outputId = outputId;
    }
    LM.renderDisplays();
  };

  // What the core decided: where the output goes with no choice made, a remembered choice.
  window.displaySelections = function (selectedId, outputId) {
    LM.syncDisplaySelections(selectedId, outputId);
  };

  function listOutputModes() {
    const output = LM.outputDisplay();
    if (output) {
      state.selectedId = output.id;
      LM.post('bridge', { verb: 'selectDisplay', id: output.id });
      LM.renderDisplays();
    }
  }

  window.reportCopied = function () {
    const label = LM.byId('copy-report-label');
    label.textContent = 'Copied ✓';
    LM.byId('copy-report').classList.add('done');
    LM.announce('Display report copied to the clipboard');
    clearTimeout(copiedTimer);
    copiedTimer = setTimeout(() => {
      label.textContent = 'Copy report';
      LM.byId('copy-report').classList.remove('done');
    }, 2500);
  };

  LM.initDisplays = function () {
    LM.byId('identify').addEventListener('click', () => LM.post('bridge', { verb: 'identifyDisplays' }));
    LM.byId('copy-report').addEventListener('click', () => LM.post('bridge', { verb: 'copyReport' }));
    LM.byId('modes-of-output').addEventListener('click', listOutputModes);
    LM.renderDisplays();
  };
})(window.LM);
