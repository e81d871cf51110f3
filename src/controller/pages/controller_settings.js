'use strict';

// Pattern settings (aspect frames, bounce period, timecode rate, video range, slate), the audio test
// signal and the sync offset of the clicks and beeps.
(function (LM) {
  const aspectLabels = ['21:9', '16:9', '16:10', '4:3'];
  const frames = new Set(aspectLabels);
  let bounceSeconds = 1;
  let syncOffsetMs = 0;
  const audio = { signal: 'off', channels: 'both', invert: false };

  function renderFrames() {
    for (const chip of document.querySelectorAll('#aspect-chips .chip')) {
      LM.setPressed(chip, frames.has(chip.dataset.ratio));
    }
  }

  function renderAudio() {
    for (const seg of document.querySelectorAll('#audio-signal .seg')) {
      LM.setPressed(seg, seg.dataset.signal === audio.signal);
    }
    for (const seg of document.querySelectorAll('#audio-channels .seg')) {
      LM.setPressed(seg, seg.dataset.channels === audio.channels);
    }
    LM.byId('audio-invert').checked = audio.invert;
    LM.byId('audio-section').classList.toggle('sounding', audio.signal !== 'off');
  }

  function postAudio() {
    renderAudio();
    LM.post('bridge', { verb: 'setAudio', signal: audio.signal, channels: audio.channels, invert: audio.invert });
  }

  // What the core has in force, after a change from here (held to its range) or at start.
  window.syncOffsetChanged = function (ms) {
    if (LM.isNumber(ms)) {
      syncOffsetMs = ms;
      LM.byId('sync-offset').value = String(ms);
    }
  };

  function renderRange(range) {
    LM.byId('video-range').value = range;
  }

  window.videoRangeChanged = function (range) {
    if (range === 'full' || range === 'limited') {
      renderRange(range);
    }
  };

  // The slate's text as the core has it, after a profile brought its own.
  window.slateTextChanged = function (text) {
    if (typeof text === 'string') {
      LM.byId('slate-text').value = text;
    }
  };

  function setBounceField(seconds) {
    bounceSeconds = seconds;
    LM.byId('bounce-seconds').value = String(seconds);
  }

  // After a profile is loaded: selections, frames and bounce period as the core has them.
  window.syncSelections = function (selectedId, outputId, ratios, bouncePeriod) {
    LM.syncDisplaySelections(selectedId, outputId);
    if (Array.isArray(ratios)) {
      frames.clear();
      for (const label of ratios) {
        if (typeof label === 'string') {
          frames.add(label);
        }
      }
      renderFrames();
    }
    if (LM.isNumber(bouncePeriod)) {
      setBounceField(bouncePeriod);
    }
  };

  function initFrames() {
    const group = LM.byId('aspect-chips');
    for (const label of aspectLabels) {
      const chip = LM.el('button', 'chip num', label);
      chip.type = 'button';
      chip.dataset.ratio = label;
      chip.setAttribute('aria-label', label + ' frame');
      chip.addEventListener('click', () => {
        if (frames.has(label)) {
          frames.delete(label);
        } else {
          frames.add(label);
        }
        renderFrames();
        LM.post('bridge', { verb: 'setAspectRatios', ratios: aspectLabels.filter((l) => frames.has(l)) });
      });
      group.appendChild(chip);
    }
    renderFrames();
  }

  function initPatternFields() {
    const bounce = LM.byId('bounce-seconds');
    bounce.addEventListener('change', () => {
      const value = Number(bounce.value);
      if (bounce.value.trim() === '' || !isFinite(value) || value < 0.1 || value > 60) {
        bounce.value = String(bounceSeconds);
        return;
      }
      bounceSeconds = value;
      LM.post('bridge', { verb: 'setBounceRate', seconds: value });
    });
    const fps = LM.byId('timecode-fps');
    fps.addEventListener('change', () => LM.post('bridge', { verb: 'setTimecodeFps', fps: Number(fps.value) }));
    const range = LM.byId('video-range');
    range.addEventListener('change', () => {
      renderRange(range.value);
      LM.post('bridge', { verb: 'setVideoRange', range: range.value });
    });
    renderRange(range.value);
    const slate = LM.byId('slate-text');
    slate.addEventListener('change', () => LM.post('bridge', { verb: 'setSlateText', text: slate.value }));
    LM.byId('logo-pick').addEventListener('click', () => LM.post('bridge', { verb: 'pickSlateLogo' }));
    LM.byId('logo-clear').addEventListener('click', () => LM.post('bridge', { verb: 'clearSlateLogo' }));
  }

  function initAudio() {
    for (const seg of document.querySelectorAll('#audio-signal .seg')) {
      seg.addEventListener('click', () => {
        audio.signal = seg.dataset.signal;
        postAudio();
      });
    }
    for (const seg of document.querySelectorAll('#audio-channels .seg')) {
      seg.addEventListener('click', () => {
        audio.channels = seg.dataset.channels;
        postAudio();
      });
    }
    LM.byId('audio-invert').addEventListener('change', (event) => {
      audio.invert = event.target.checked;
      postAudio();
    });
    const offset = LM.byId('sync-offset');
    offset.addEventListener('change', () => {
      const value = Number(offset.value);
      if (offset.value.trim() === '' || !isFinite(value)) {
        offset.value = String(syncOffsetMs);
        return;
      }
      LM.post('bridge', { verb: 'setSyncOffset', ms: value });
    });
    renderAudio();
  }

  LM.initSettings = function () {
    initFrames();
    initPatternFields();
    initAudio();
  };
})(window.LM);
