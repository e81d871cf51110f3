// The controller page's layout at the window sizes operators have (a small projector laptop
// up to a full-HD desk), and walked with the keyboard alone. Screenshots go to the build's
// artefacts.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import { clippedControls, controlsUnderDragStrip, expectFits, pagesInOneBrowser, screenshot, seriousViolations, takePosted } from '../support/page_harness.mjs';
import { controllerPage, modes } from './controller_fixture.mjs';

const open = pagesInOneBrowser();

// What the eye checks: text under 12 px, names and labels cut short, buttons drawn filled (an
// opaque, light background), and the patterns and output controls outside the window.
function survey() {
  const shown = (el) => el.getClientRects().length > 0 && !el.closest('[hidden]') && getComputedStyle(el).visibility !== 'hidden';
  const small = [];
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  for (let node = walker.nextNode(); node; node = walker.nextNode()) {
    const el = node.parentElement;
    if (node.textContent.trim() && shown(el) && !el.closest('.visually-hidden') && parseFloat(getComputedStyle(el).fontSize) < 12) {
      small.push(node.textContent.trim());
    }
  }
  const cut = Array.from(document.querySelectorAll('button, label, .pattern-name, .display-name, .setting-label, .panel-note, .family-title'))
    .filter((el) => shown(el) && !el.matches('.visually-hidden') && el.scrollWidth > el.clientWidth + 1)
    .map((el) => el.id || el.textContent.trim());
  const light = (colour) => {
    const [r, g, b, a = 1] = colour.match(/[\d.]+/g).map(Number);
    return a === 1 && 0.2126 * r + 0.7152 * g + 0.0722 * b > 100;
  };
  const filled = Array.from(document.querySelectorAll('button'))
    .filter((b) => shown(b) && !b.closest('#tour') && light(getComputedStyle(b).backgroundColor))
    .map((b) => b.id || b.textContent.trim());
  const vw = document.documentElement.clientWidth;
  const vh = document.documentElement.clientHeight;
  const outside = Array.from(document.querySelectorAll('.pattern, #output-section button, #output-section input'))
    .filter((el) => {
      const r = el.getBoundingClientRect();
      return r.left < 0 || r.top < 56 || r.right > vw || r.bottom > vh;
    })
    .map((el) => el.dataset.pattern || el.id);
  return { small, cut, filled, outside };
}

describe('controller page layout', () => {
  const sizes = [[800, 600], [1024, 640], [1040, 680], [1200, 800], [1366, 700], [1920, 1080]];
  for (const [width, height] of sizes) {
    test(`at ${width} × ${height}: nothing clipped or sideways, one filled button, no serious accessibility finding`, async () => {
      const { page } = await controllerPage(open, { width, height });
      const previews = await page.$$eval('.pattern img', (imgs) => imgs.filter((i) => i.complete && i.naturalWidth > 0).length);
      assert.equal(previews, 26, 'every pattern preview loads from the pages folder');
      assert.deepEqual(await controlsUnderDragStrip(page, 56, 150), []);
      await page.click('#calibration-open');
      assert.deepEqual(await clippedControls(page), []);
      assert.deepEqual(await seriousViolations(page), []);
      await page.click('#calibration-open');
      await page.evaluate(() => document.querySelectorAll('.layout, .col').forEach((box) => box.scrollTo(0, 0)));
      const { small, cut, filled, outside } = await page.evaluate(survey);
      assert.deepEqual(small, [], 'text under 12 px');
      assert.deepEqual(cut, [], 'names and labels cut short');
      assert.deepEqual(filled, ['output-toggle']);
      if (width >= 1200 && height >= 700) {
        assert.deepEqual(outside, [], 'every pattern and the output controls without scrolling');
      }
      await screenshot(page, `controller-${width}x${height}`);

      await page.evaluate(() => window.revertCountdown(12));
      assert.deepEqual((await page.evaluate(survey)).filled, ['trial-keep'], 'the trial has the one filled button');
      await expectFits(page, `controller-${width}x${height}-trial`);
      await page.evaluate(() => window.revertResolved(false));

      await page.evaluate(() => window.__qvTour.startWelcome());
      for (let step = 0; step < 3; step += 1) {
        await page.click('#tour-next');
      }
      await expectFits(page, `controller-${width}x${height}-tour`);
    });
  }
});

describe('controller page from the keyboard', () => {
  const focused = (page) => page.evaluate(() => {
    const el = document.activeElement;
    return { id: el.id, mode: el.dataset.modeId, section: el.closest('section, header')?.id || el.closest('header')?.className || '' };
  });

  test('Tab crosses the sections in reading order and the mode list once, arrows move inside it, Escape leaves a field; hints show the keys as typed', async () => {
    const { page } = await controllerPage(open, { width: 1366, height: 700 });
    const sections = [];
    let modeStops = 0;
    let toOutput = 0;
    for (let presses = 1; presses < 200; presses += 1) {
      await page.keyboard.press('Tab');
      const at = await focused(page);
      toOutput ||= at.id === 'output-toggle' ? presses : 0;
      modeStops += at.mode ? 1 : 0;
      if (sections.at(-1) !== at.section) {
        sections.push(at.section);
      }
      if (at.id === 'calibration-open') {
        break;
      }
    }
    assert.deepEqual(sections, ['topbar', 'patterns-section', 'output-section', 'displays-section', 'modes-section',
      'settings-section', 'audio-section', 'profiles-section', 'remote-section', 'calibration-section']);
    assert.equal(modeStops, 1, 'the mode list is one tab stop');
    assert.ok(toOutput <= 30, 'the output a few presses past the patterns: ' + toOutput);

    await takePosted(page);
    await page.focus('#mode-list .rate[tabindex="0"]');
    assert.equal((await focused(page)).mode, '107', 'the stop starts on the current mode');
    const walk = [['ArrowRight', '108'], ['ArrowDown', '112'], ['ArrowUp', '107'], ['ArrowLeft', '106'], ['End', '113'], ['Home', '101']];
    for (const [key, mode] of walk) {
      await page.keyboard.press(key);
      assert.equal((await focused(page)).mode, mode, key);
    }
    await page.keyboard.press('Enter');
    assert.deepEqual((await takePosted(page)).map((m) => m.body), [{ verb: 'applyMode', id: 101 }]);
    await page.evaluate(() => window.revertResolved(false));
    // A new list keeps the stop where it was, and the focus in the list.
    await page.focus('#mode-list [data-mode-id="105"]');
    await page.evaluate((list) => window.modesChanged(list, true), modes);
    assert.equal((await focused(page)).mode, '105');
    assert.equal(await page.locator('#mode-list .rate[tabindex="0"]').count(), 1);

    // Escape leaves a field, so the next letter is a shortcut again; what was typed counts as
    // entered. Enter in the profile name saves and leaves it: see controller_page.test.mjs.
    await takePosted(page);
    await page.click('#slate-text');
    await page.keyboard.type('Take 3');
    await page.keyboard.press('Escape');
    assert.equal(await page.evaluate(() => document.activeElement.tagName), 'BODY');
    assert.deepEqual((await takePosted(page)).map((m) => m.body),
      [{ verb: 'setEditing', on: true }, { verb: 'setSlateText', text: 'Take 3' }, { verb: 'setEditing', on: false }]);

    const hints = await page.$$eval('kbd', (all) => all.map((k) => [k.innerText, k.closest('button').getAttribute('aria-keyshortcuts')]));
    assert.ok(hints.length >= 7, 'hints: ' + hints.length);
    assert.deepEqual(hints.map(([shown]) => shown), hints.map(([, key]) => key));
  });
});
