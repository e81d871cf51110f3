'use strict';

// The interactive tutorial: a few steps over the sections, ending with one tourEvent that says
// whether it was skipped.
(function (LM) {
  const steps = [
    {
      title: 'Welcome to Lumenor',
      text: 'A quick look around the control surface in seven short steps. Skip it any time with Escape; replay it from the Help menu or from Settings.',
      targets: [],
    },
    {
      title: 'Displays',
      text: 'Every attached display with its current resolution and rate. “Out” sends the test output to a display; clicking a display lists its modes. Identify puts a numbered card on every screen.',
      targets: ['displays-section'],
    },
    {
      title: 'Modes on trial',
      text: 'Click a rate to try that mode. It reverts by itself after 15 seconds unless you press Keep mode, so a blank projector is never permanent.',
      targets: ['modes-section'],
    },
    {
      title: 'Patterns',
      text: 'Twenty-six patterns in six groups, in the order Prev and Next step through them. One click puts a pattern on the output; the letters on the buttons are keyboard shortcuts.',
      targets: ['patterns-section'],
    },
    {
      title: 'Output and frames',
      text: 'Show, hide or blank the output, add the info card, mirror it on every display or cycle the solid fields. The readouts at the top say where the output is and whether it misses refreshes.',
      targets: ['output-section'],
    },
    {
      title: 'Settings, audio and profiles',
      text: 'Tune the aspect frames, bounce, timecode and slate; play a 1 kHz tone or pink noise on either channel; save whole set-ups as profiles and load them in one click.',
      targets: ['settings-section', 'profiles-section'],
    },
    {
      title: 'Phone remote',
      text: 'Switch it on and scan the code with a phone on the same network to change patterns from the room. Commands need the PIN shown here.',
      targets: ['remote-section'],
    },
  ];

  let index = -1;
  let returnFocus = null;

  function unionRect(ids) {
    const rects = ids.map((id) => LM.byId(id).getBoundingClientRect());
    const left = Math.min(...rects.map((r) => r.left));
    const top = Math.min(...rects.map((r) => r.top));
    const right = Math.max(...rects.map((r) => r.right));
    const bottom = Math.max(...rects.map((r) => r.bottom));
    return { left, top, right, bottom, width: right - left, height: bottom - top };
  }

  function place() {
    const step = steps[index];
    const spot = LM.byId('tour-spot');
    const card = LM.byId('tour-card');
    const vw = window.innerWidth;
    const vh = window.innerHeight;
    const cw = card.offsetWidth;
    const ch = card.offsetHeight;
    if (step.targets.length === 0) {
      spot.classList.add('none');
      card.style.left = Math.round((vw - cw) / 2) + 'px';
      card.style.top = Math.round((vh - ch) / 2) + 'px';
      return;
    }
    for (const id of step.targets) {
      LM.byId(id).scrollIntoView({ block: 'nearest' });
    }
    const r = unionRect(step.targets);
    const pad = 6;
    spot.classList.remove('none');
    spot.style.left = r.left - pad + 'px';
    spot.style.top = r.top - pad + 'px';
    spot.style.width = r.width + 2 * pad + 'px';
    spot.style.height = r.height + 2 * pad + 'px';
    const gap = 18;
    let left;
    if (r.right + gap + cw <= vw - 8) {
      left = r.right + gap;
    } else if (r.left - gap - cw >= 8) {
      left = r.left - gap - cw;
    } else {
      // No room beside the section: cover the wider neighbour rather than the section.
      left = vw - r.right > r.left ? vw - cw - 8 : 8;
    }
    const top = Math.min(Math.max(8, r.top + 24), vh - ch - 8);
    card.style.left = Math.round(left) + 'px';
    card.style.top = Math.round(top) + 'px';
  }

  function show() {
    const step = steps[index];
    LM.byId('tour-step').textContent = 'Step ' + (index + 1) + ' of ' + steps.length;
    LM.byId('tour-title').textContent = step.title;
    LM.byId('tour-text').textContent = step.text;
    LM.byId('tour-back').disabled = index === 0;
    LM.byId('tour-next').textContent = index === steps.length - 1 ? 'Finish' : 'Next';
    place();
    LM.byId('tour-next').focus();
  }

  function end(skipped) {
    if (index < 0) {
      return;
    }
    index = -1;
    LM.byId('tour').hidden = true;
    document.body.classList.remove('touring');
    LM.post('bridge', { verb: 'tourEvent', skipped });
    if (returnFocus && document.contains(returnFocus)) {
      returnFocus.focus();
    }
  }

  function start() {
    if (index < 0) {
      returnFocus = document.activeElement;
    }
    index = 0;
    LM.byId('tour').hidden = false;
    document.body.classList.add('touring');
    show();
  }

  window.__qvTour = { startWelcome: start };

  function onKey(event) {
    if (index < 0) {
      return;
    }
    if (event.key === 'Escape') {
      event.preventDefault();
      end(true);
    } else if (event.key === 'Tab') {
      // Keep focus inside the card while the tour runs.
      const buttons = Array.from(LM.byId('tour-card').querySelectorAll('button:not(:disabled)'));
      const at = buttons.indexOf(document.activeElement);
      const next = event.shiftKey ? (at <= 0 ? buttons.length - 1 : at - 1) : (at + 1) % buttons.length;
      event.preventDefault();
      buttons[next].focus();
    }
  }

  LM.initTour = function () {
    LM.byId('tour-skip').addEventListener('click', () => end(true));
    LM.byId('tour-back').addEventListener('click', () => {
      if (index > 0) {
        index -= 1;
        show();
      }
    });
    LM.byId('tour-next').addEventListener('click', () => {
      if (index === steps.length - 1) {
        end(false);
      } else if (index >= 0) {
        index += 1;
        show();
      }
    });
    LM.byId('tour-start').addEventListener('click', start);
    document.addEventListener('keydown', onKey, true);
    window.addEventListener('resize', () => {
      if (index >= 0) {
        place();
      }
    });
  };
})(window.LM);
