'use strict';

// A session with a calibration program: where it is, on which display, the patch options,
// and what the session is doing. The core checks everything again; the page only says
// early what it would refuse.
(function (LM) {
  const numbers = [
    { id: 'calibration-window', key: 'window', label: 'Window', low: 0, high: 100, above: true },
    { id: 'calibration-background', key: 'background', label: 'Background', low: 0, high: 255 },
    { id: 'calibration-insert-every', key: 'insertEvery', label: 'Insert every', low: 0, high: 3600, above: true },
    { id: 'calibration-insert-for', key: 'insertFor', label: 'Insert for', low: 0, high: 60, above: true },
    { id: 'calibration-insert-grey', key: 'insertGrey', label: 'Insert grey', low: 0, high: 255 },
  ];
  const placeholders = { resolve: '127.0.0.1:20002', argyll: 'http://127.0.0.1:8080' };
  let active = false;

  function rangeText(n) {
    return n.above
      ? n.label + ' takes a number above ' + n.low + ', up to ' + n.high + '.'
      : n.label + ' takes a number from ' + n.low + ' to ' + n.high + '.';
  }

  function showError(text) {
    const error = LM.byId('calibration-error');
    error.textContent = text || '';
    error.hidden = !text;
  }

  // The message to post, or the sentence that says what is wrong.
  function request() {
    const program = LM.byId('calibration-program').value;
    const address = LM.byId('calibration-address').value.trim();
    if (!address) {
      return {
        error: program === 'resolve'
          ? 'Give the address as HOST or HOST:PORT.'
          : 'Give an http address, such as http://127.0.0.1:8080.',
      };
    }
    const body = { verb: 'startCalibration', program, address };
    const display = LM.byId('calibration-display').value;
    if (display !== '') {
      body.display = Number(display);
    }
    for (const n of numbers) {
      const text = LM.byId(n.id).value.trim();
      if (text === '') {
        continue;
      }
      const value = Number(text);
      const inside = isFinite(value) && value <= n.high && (n.above ? value > n.low : value >= n.low);
      if (!inside) {
        return { error: rangeText(n), field: n.id };
      }
      body[n.key] = value;
    }
    if (('insertEvery' in body) !== ('insertFor' in body)) {
      return { error: 'Insert every and insert for go together: give both or neither.' };
    }
    return { body };
  }

  function setOpen(open) {
    LM.byId('calibration-open').setAttribute('aria-expanded', open ? 'true' : 'false');
    LM.byId('calibration-body').hidden = !open;
  }

  function render(stateText) {
    LM.byId('calibration-start').disabled = active;
    LM.byId('calibration-stop').hidden = !active;
    if (stateText !== undefined) {
      LM.byId('calibration-status').textContent = stateText;
    }
  }

  function patchesText(count) {
    return count === 1 ? '1 patch shown' : count + ' patches shown';
  }

  window.calibrationStatus = function (status) {
    if (!status || typeof status.state !== 'string') {
      return;
    }
    const count = LM.isNumber(status.patches) ? status.patches : 0;
    const message = typeof status.message === 'string' ? status.message : '';
    // What the application has to say about a session is worth opening the section for.
    if (status.state !== 'ended') {
      setOpen(true);
    }
    if (status.state === 'invalid') {
      showError(message);
      return;
    }
    showError('');
    if (status.state === 'connecting') {
      active = true;
      render('Connecting to ' + message + '…');
    } else if (status.state === 'running') {
      active = true;
      render('Running: ' + patchesText(count) + '.');
    } else if (status.state === 'ended') {
      active = false;
      render('Ended after ' + patchesText(count) + '. ' + message);
    }
  };

  LM.renderCalibrationDisplays = function () {
    const select = LM.byId('calibration-display');
    const chosen = select.value;
    select.replaceChildren(LM.el('option', '', 'The output display'));
    select.firstChild.value = '';
    for (const d of LM.state.displays || []) {
      const option = LM.el('option', '', d.name + ' (' + d.id + ')');
      option.value = String(d.id);
      select.appendChild(option);
    }
    select.value = [...select.options].some((o) => o.value === chosen) ? chosen : '';
  };

  LM.initCalibration = function () {
    LM.byId('calibration-open').addEventListener('click', () => {
      setOpen(LM.byId('calibration-body').hidden);
    });
    const program = LM.byId('calibration-program');
    program.addEventListener('change', () => {
      LM.byId('calibration-address').placeholder = placeholders[program.value] || '';
    });
    LM.byId('calibration-form').addEventListener('submit', (event) => {
      event.preventDefault();
      const checked = request();
      showError(checked.error);
      if (checked.field) {
        LM.byId(checked.field).focus();
      }
      if (checked.body) {
        LM.post('bridge', checked.body);
      }
    });
    LM.byId('calibration-stop').addEventListener('click', () => LM.post('bridge', { verb: 'stopCalibration' }));
    LM.renderCalibrationDisplays();
    render();
  };
})(window.LM);
