'use strict';

// Starts the controller page: wires every section, reports text editing so that the
// application's single-letter shortcuts stay out of typing, and asks for the state once.
(function (LM) {
  // A focused drop-down list takes typed letters to pick an entry, so it counts as a text field.
  LM.isTextField = function (node) {
    if (node instanceof HTMLInputElement) {
      return node.type !== 'checkbox' && node.type !== 'radio';
    }
    return node instanceof HTMLSelectElement || node instanceof HTMLTextAreaElement;
  };

  // Leaving a field hands the single-letter shortcuts back; what was typed counts as entered.
  LM.leaveField = function () {
    if (LM.isTextField(document.activeElement)) {
      document.activeElement.blur();
    }
  };

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
      if (LM.isTextField(event.target)) {
        LM.post('bridge', { verb: 'setEditing', on: true });
      }
    });
    document.addEventListener('focusout', (event) => {
      if (LM.isTextField(event.target)) {
        LM.post('bridge', { verb: 'setEditing', on: false });
      }
    });
    document.addEventListener('keydown', (event) => {
      if (event.key === 'Escape' && LM.isTextField(event.target)) {
        event.preventDefault();
        LM.leaveField();
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
