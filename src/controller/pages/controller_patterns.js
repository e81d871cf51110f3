'use strict';

// The patterns in their families, each with a preview rendered at build time.
(function (LM) {
  const state = LM.state;

  // In the catalogue's order, which Prev and Next step through; each group is a run of it.
  const families = [
    {
      title: 'Geometry and focus',
      patterns: [
        ['calibration', 'Calibration', 'c', 'Calibration card'],
        ['grid', 'Grid', 'g'],
        ['circle', 'Circles'],
        ['focus', 'Focus star'],
        ['overscan', 'Overscan'],
        ['pixelGrid', 'Checker', '', 'One-pixel checkerboard'],
      ],
    },
    {
      title: 'Bars and PLUGE',
      patterns: [
        ['smpte', 'Colour bars', 's'],
        ['pluge', 'PLUGE', 'p'],
      ],
    },
    {
      title: 'Solid fields',
      patterns: [
        ['white', 'White'],
        ['black', 'Black'],
        ['grey50', 'Grey', '', 'Grey 50 %'],
        ['red', 'Red'],
        ['green', 'Green'],
        ['blue', 'Blue'],
      ],
    },
    {
      title: 'Ramps and aspect',
      patterns: [
        ['grayscaleSteps', 'Grey steps', '', 'Greyscale steps'],
        ['gradient', 'Gradient'],
        ['aspect', 'Aspect', '', 'Aspect-ratio frames'],
      ],
    },
    {
      title: 'Motion and sync',
      patterns: [
        ['movingBlock', 'Moving bar'],
        ['bounce', 'Bounce', '', 'Bounce with click'],
        ['countdown', 'Countdown', '', 'Countdown with beep'],
        ['timecode', 'Timecode'],
        ['slate', 'Slate'],
      ],
    },
    {
      title: 'Broadcast',
      patterns: [
        ['smpteHdBars', 'HD bars', '', 'HD colour bars with PLUGE'],
        ['ebuBars', 'EBU bars', '', 'EBU 100/0/75/0 bars'],
        ['safeAreas', 'Safe areas', '', 'Safe and protection areas'],
        ['crosshatch', 'Crosshatch'],
      ],
    },
  ];

  const titles = new Map();
  for (const family of families) {
    for (const [name, short, , long] of family.patterns) {
      titles.set(name, long || short);
    }
  }

  LM.patternNames = Array.from(titles.keys());

  LM.patternTitle = function (name) {
    return titles.get(name) || String(name);
  };

  function patternButton(name, short, key) {
    const title = LM.patternTitle(name);
    const button = LM.el('button', 'pattern');
    button.type = 'button';
    button.dataset.pattern = name;
    LM.setPressed(button, false);
    const img = LM.el('img', 'preview');
    img.src = 'previews/' + name + '.png';
    img.alt = '';
    img.width = 160;
    img.height = 90;
    button.appendChild(img);
    button.title = title;
    button.appendChild(LM.el('span', 'pattern-name', short));
    if (key) {
      const kbd = LM.el('kbd', '', key);
      kbd.setAttribute('aria-hidden', 'true');
      button.appendChild(kbd);
      button.setAttribute('aria-keyshortcuts', key);
    }
    button.addEventListener('click', () => LM.post('bridge', { verb: 'showPattern', name }));
    return button;
  }

  function renderFamilies() {
    const root = LM.byId('families');
    for (const family of families) {
      const group = LM.el('div', 'family');
      group.setAttribute('role', 'group');
      const heading = LM.el('h3', 'family-title', family.title);
      heading.id = 'family-' + family.title.split(' ')[0].toLowerCase();
      group.setAttribute('aria-labelledby', heading.id);
      group.appendChild(heading);
      // The group spans one column of the panel's grid for each of its patterns.
      group.style.setProperty('--count', String(family.patterns.length));
      const grid = LM.el('div', 'pattern-grid' + (family.title === 'Solid fields' ? ' solids' : ''));
      for (const [name, short, key] of family.patterns) {
        grid.appendChild(patternButton(name, short, key));
      }
      group.appendChild(grid);
      root.appendChild(group);
    }
  }

  LM.renderPatterns = function () {
    for (const button of document.querySelectorAll('.pattern')) {
      const active = button.dataset.pattern === state.pattern;
      LM.setPressed(button, active);
      button.classList.toggle('active', active);
    }
    LM.renderStatus();
  };

  window.patternChanged = function (name) {
    if (typeof name !== 'string') {
      return;
    }
    state.pattern = name;
    LM.renderPatterns();
  };

  LM.initPatterns = function () {
    renderFamilies();
    LM.byId('pattern-prev').addEventListener('click', () => LM.post('bridge', { verb: 'cyclePattern', delta: -1 }));
    LM.byId('pattern-next').addEventListener('click', () => LM.post('bridge', { verb: 'cyclePattern', delta: 1 }));
    LM.renderPatterns();
  };
})(window.LM);
