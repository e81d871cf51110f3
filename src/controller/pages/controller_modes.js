'use strict';

// The modes of the selected display, grouped by resolution, and the trial of a new mode
// with its countdown and Keep / Revert.
(function (LM) {
  let modes = [];
  let allowed = false;
  // Native code's sentence on why modes cannot be changed here, when it gave one.
  let refusal = '';
  let noteTimer = null;
  // The latest word on a trial: a count means one runs, a resolution means none does.
  let lastTrialEvent = { kind: 'none', at: 0 };
  let trialTotal = 15;
  // The mode last clicked, and the one on trial when a trial followed that click.
  let clicked = null;
  let trialModeId = null;
  let rebuildList = null;

  function validMode(m) {
    return m && typeof m === 'object' && LM.isNumber(m.id) && LM.isNumber(m.pixelWidth) && LM.isNumber(m.pixelHeight);
  }

  // Consecutive modes of one pixel size (and one point size, for scaled modes) form a row;
  // the list arrives sorted by size and then by rate.
  function groups(list) {
    const rows = [];
    const byKey = new Map();
    for (const mode of list) {
      const scaled = mode.scaled === true;
      const key = mode.pixelWidth + 'x' + mode.pixelHeight + (scaled ? '/' + mode.pointWidth + 'x' + mode.pointHeight : '');
      let row = byKey.get(key);
      if (!row) {
        row = { mode, scaled, modes: [] };
        byKey.set(key, row);
        rows.push(row);
      }
      row.modes.push(mode);
    }
    return rows;
  }

  function rateDecimals(row) {
    const shown = row.modes.map((m) => LM.formatHz(m.refreshHz));
    return new Set(shown).size < shown.length ? 3 : 2;
  }

  function rateButton(mode, decimals, sizeText) {
    const hz = LM.formatHz(mode.refreshHz, decimals);
    const classes = 'rate num' + (mode.isCurrent ? ' current' : '') + (mode.id === trialModeId ? ' on-trial' : '');
    const button = LM.el('button', classes, hz ? hz : 'Mode ' + mode.id);
    button.type = 'button';
    button.disabled = !allowed;
    button.dataset.modeId = String(mode.id);
    const label = sizeText + (hz ? ' at ' + hz + ' Hz' : '') + (mode.isCurrent ? ', current mode' : '');
    button.setAttribute('aria-label', label);
    if (mode.isCurrent) {
      button.setAttribute('aria-current', 'true');
    }
    button.addEventListener('click', () => {
      clicked = { id: mode.id, text: sizeText + (hz ? ' @ ' + hz + ' Hz' : ''), at: Date.now() };
      LM.post('bridge', { verb: 'applyMode', id: mode.id });
    });
    return button;
  }

  function groupRow(row) {
    const item = LM.el('div', 'mode-row');
    item.setAttribute('role', 'listitem');
    const head = LM.el('div', 'mode-size');
    const sizeText = row.mode.pixelWidth + ' × ' + row.mode.pixelHeight;
    head.appendChild(LM.el('span', 'num', sizeText));
    if (row.modes.some((m) => m.isNative)) {
      head.appendChild(LM.el('span', 'tag tag-native', 'Native'));
    }
    if (row.scaled) {
      head.appendChild(LM.el('span', 'tag', 'Scaled ' + row.mode.pointWidth + ' × ' + row.mode.pointHeight + ' pt'));
    }
    if (row.modes.some((m) => m.isCurrent)) {
      item.classList.add('has-current');
    }
    item.appendChild(head);
    const rates = LM.el('div', 'rates');
    const decimals = rateDecimals(row);
    for (const mode of row.modes) {
      rates.appendChild(rateButton(mode, decimals, sizeText));
    }
    item.appendChild(rates);
    return item;
  }

  function showNote(text, kind) {
    const note = LM.byId('modes-note');
    note.textContent = text;
    note.className = 'note' + (kind ? ' ' + kind : '');
    note.hidden = !text;
  }

  function standingNote() {
    const display = LM.selectedDisplay();
    if (!display) {
      return 'Attach a display to list its modes.';
    }
    if (modes.length === 0) {
      return display.isBuiltin ? 'A built-in panel keeps its own mode.' : 'This display lists no modes.';
    }
    return allowed ? '' : refusal || 'Mode changes are not allowed for this display.';
  }

  function showStandingNote() {
    showNote(standingNote(), allowed || modes.length === 0 ? '' : 'warn-note');
  }

  function renderModes() {
    const list = LM.byId('mode-list');
    rebuildList(() => list.replaceChildren(...groups(modes).map(groupRow)), '.rate.current');
    list.classList.toggle('locked', !allowed);
    if (!noteTimer) {
      showStandingNote();
    }
  }

  // The heading names the display listed; where that is not the output display, one click
  // lists the output display's modes instead.
  LM.renderModesHeading = function () {
    const display = LM.selectedDisplay();
    const output = LM.outputDisplay();
    const isOutput = display !== null && display === output;
    LM.byId('modes-of').textContent = display ? 'for ' + LM.displayLabel(display) + (isOutput ? ' · output' : '') : '';
    const toOutput = LM.byId('modes-of-output');
    toOutput.hidden = !output || isOutput;
    toOutput.title = output ? 'List the modes of ' + LM.displayLabel(output) + ', where the output goes' : '';
    if (!noteTimer) {
      showStandingNote();
    }
  };

  // A new list opens at the current mode, wherever it sorts.
  function revealCurrent() {
    const list = LM.byId('mode-list');
    const row = list.querySelector('.mode-row.has-current');
    if (row && (row.offsetTop < list.scrollTop || row.offsetTop + row.offsetHeight > list.scrollTop + list.clientHeight)) {
      list.scrollTop = Math.max(0, row.offsetTop - 6);
    }
  }

  window.modesChanged = function (list, changesAllowed, why) {
    modes = Array.isArray(list) ? list.filter(validMode) : [];
    allowed = changesAllowed === true;
    refusal = !allowed && typeof why === 'string' ? why : '';
    renderModes();
    revealCurrent();
  };

  // A trial that starts right after a click is that mode's; one started otherwise (a profile
  // bringing its own mode) is named only as "this mode".
  function beginTrial(seconds) {
    trialTotal = Math.max(seconds, 1);
    const fresh = clicked && Date.now() - clicked.at < 3000;
    trialModeId = fresh ? clicked.id : null;
    LM.byId('trial-title').textContent = fresh ? 'Keep ' + clicked.text + '?' : 'Keep this mode?';
    clicked = null;
    renderModes();
  }

  function showTrial(seconds) {
    const banner = LM.byId('trial');
    const wasHidden = banner.hidden;
    banner.hidden = false;
    document.body.classList.add('trial-open');
    LM.byId('trial-count').textContent = String(seconds);
    LM.byId('trial-seconds').textContent = String(seconds);
    LM.byId('trial-fill').style.width = Math.max(0, Math.min(1, seconds / trialTotal)) * 100 + '%';
    banner.classList.toggle('urgent', seconds <= 5);
    // Revert is the safe answer to a stray Enter: the new mode may have left a screen dark.
    if (wasHidden) {
      LM.byId('trial-revert').focus();
    }
  }

  // A short-lived message in the modes panel after a trial ends.
  function flashNote(text, kind) {
    clearTimeout(noteTimer);
    showNote(text, kind);
    LM.announce(text);
    noteTimer = setTimeout(() => {
      noteTimer = null;
      showStandingNote();
    }, 6000);
  }

  window.revertCountdown = function (seconds) {
    if (!LM.isNumber(seconds)) {
      return;
    }
    lastTrialEvent = { kind: 'count', at: Date.now() };
    // The first count of a trial is its whole length.
    if (LM.byId('trial').hidden) {
      beginTrial(seconds);
    }
    showTrial(seconds);
  };

  window.modeApplied = function (applied, seconds) {
    // The display refused the mode: it was put back at once and no countdown runs.
    if (applied === false) {
      flashNote('The display refused that mode; it stays as it was.', 'warn-note');
      return;
    }
    if (applied !== true || !LM.isNumber(seconds)) {
      return;
    }
    // A trial whose apply the display refused is resolved (reverted) before this report
    // arrives; then no countdown runs and there is nothing to keep.
    if (lastTrialEvent.kind === 'resolved' && Date.now() - lastTrialEvent.at < 2000) {
      flashNote('The display refused that mode; it stays as it was.', 'warn-note');
      return;
    }
    if (lastTrialEvent.kind !== 'count') {
      lastTrialEvent = { kind: 'count', at: Date.now() };
      beginTrial(seconds);
      showTrial(seconds);
    } else {
      showTrial(Number(LM.byId('trial-seconds').textContent) || seconds);
    }
  };

  window.revertResolved = function (kept, displayGone) {
    const wasShown = !LM.byId('trial').hidden;
    lastTrialEvent = { kind: 'resolved', at: Date.now() };
    LM.byId('trial').hidden = true;
    document.body.classList.remove('trial-open');
    trialModeId = null;
    renderModes();
    if (wasShown) {
      if (kept === true) {
        flashNote('New mode kept.', 'ok-note');
      } else if (displayGone === true) {
        flashNote('The display went away before its mode could go back.', '');
      } else {
        flashNote('Previous mode restored.', '');
      }
    }
  };

  LM.initModes = function () {
    rebuildList = LM.rovingFocus(LM.byId('mode-list'), '.rate', '.mode-row', (b) => b.dataset.modeId);
    LM.byId('trial-keep').addEventListener('click', () => LM.post('bridge', { verb: 'confirmMode' }));
    LM.byId('trial-revert').addEventListener('click', () => LM.post('bridge', { verb: 'revertMode' }));
    renderModes();
  };
})(window.LM);
