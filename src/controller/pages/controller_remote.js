'use strict';

// The phone remote: switch, address, PIN and QR code, and a plain "could not start".
(function (LM) {
  const qrPrefix = 'data:image/png;base64,';
  let requested = false;
  let status = { on: false, requested: false, url: '', pin: '', qr: '' };

  function render(starting) {
    LM.byId('remote-switch').setAttribute('aria-checked', requested ? 'true' : 'false');
    // What the application last said counts only while the switch still asks for the remote.
    const settled = requested && !starting && status.requested;
    const live = settled && status.on;
    const failed = settled && !status.on;
    LM.byId('remote-off').hidden = requested;
    LM.byId('remote-starting').hidden = !(starting && requested);
    LM.byId('remote-failed').hidden = !failed;
    LM.byId('remote-live').hidden = !live;
    LM.byId('remote-url').textContent = status.url;
    LM.byId('remote-pin').textContent = status.pin;
    const qr = LM.byId('remote-qr');
    // Only a PNG data address goes into the image: anything else would load from elsewhere.
    const hasQr = typeof status.qr === 'string' && status.qr.startsWith(qrPrefix);
    if (hasQr) {
      qr.src = status.qr;
    } else {
      qr.removeAttribute('src');
    }
    qr.hidden = !hasQr;
    LM.byId('remote-section').classList.toggle('live', live);
  }

  function text(value) {
    return typeof value === 'string' ? value : '';
  }

  window.remoteStatus = function (object) {
    if (!object || typeof object.on !== 'boolean' || typeof object.requested !== 'boolean') {
      return;
    }
    status = {
      on: object.on === true,
      requested: object.requested === true,
      url: text(object.url),
      pin: text(object.pin),
      qr: text(object.qr),
    };
    requested = status.requested;
    render(false);
  };

  function ask(on) {
    requested = on;
    LM.post('bridge', { verb: 'setRemote', on });
    render(on);
  }

  LM.initRemote = function () {
    LM.byId('remote-switch').addEventListener('click', () => ask(!requested));
    LM.byId('remote-retry').addEventListener('click', () => ask(true));
    render(false);
  };
})(window.LM);
