'use strict';

// Helpers shared by Lumenor's pages. Outside text (display and profile names, addresses)
// only ever reaches the document through textContent.
window.LM = window.LM || {};

(function (LM) {
  // Posts one message to a native handler; without the native shim (a plain browser) the
  // message goes nowhere.
  LM.post = function (handler, body) {
    const handlers = window.webkit && window.webkit.messageHandlers;
    const target = handlers && handlers[handler];
    if (target && typeof target.postMessage === 'function') {
      target.postMessage(body);
    }
  };

  LM.byId = function (id) {
    return document.getElementById(id);
  };

  // Builds an element with a class name and, optionally, its text.
  LM.el = function (tag, className, text) {
    const node = document.createElement(tag);
    if (className) {
      node.className = className;
    }
    if (text !== undefined && text !== null) {
      node.textContent = String(text);
    }
    return node;
  };

  LM.setPressed = function (button, on) {
    button.setAttribute('aria-pressed', on ? 'true' : 'false');
  };

  LM.announce = function (text) {
    const region = LM.byId('announcer');
    if (region) {
      region.textContent = '';
      region.textContent = text;
    }
  };

  // A refresh rate as people read it: two decimals, more only where two would hide a
  // difference (59.94 against 59.9401 stays apart).
  LM.formatHz = function (hz, decimals) {
    if (typeof hz !== 'number' || !isFinite(hz) || hz <= 0) {
      return '';
    }
    return hz.toFixed(decimals || 2);
  };

  LM.isNumber = function (value) {
    return typeof value === 'number' && isFinite(value);
  };
})(window.LM);
