// The controller page in Chromium with a recording fake of the native handlers: what each
// control posts, what each call from native code shows, the tour and the Calibration form. How
// it is laid out and walked with the keyboard: controller_layout.test.mjs.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { describe, test } from 'node:test';

import { pagesInOneBrowser, posted, takePosted } from '../support/page_harness.mjs';
import { controllerPage, displays, fillState, modes, qrDataUrl } from './controller_fixture.mjs';

// The catalogue's pattern names, in the order Prev and Next step through them.
const patternNames = readFileSync(new URL('../../src/patterns/pattern.cpp', import.meta.url), 'utf8')
  .match(/kRawNames = \{([^}]*)\}/)[1].match(/\w+/g);
const hostile = '<img src=x onerror=alert(1)>';

const open = pagesInOneBrowser();

const text = (page, selector) => page.locator(selector).first().textContent();
const attr = (page, selector, name) => page.locator(selector).first().getAttribute(name);
const call = (page, script, arg) => page.evaluate(script, arg);

// What the page shows at each selector: its text (a string exactly, a RegExp in part), how many
// match (a number), whether it is visible (a boolean), the texts of all that match (an array) or
// attributes ({ name: value }, 'value' being a field's value).
async function expectShows(page, what, checks) {
  for (const [selector, want] of Object.entries(checks)) {
    const el = page.locator(selector);
    const where = `${what}: ${selector}`;
    if (typeof want === 'string') assert.equal(await el.first().textContent(), want, where);
    else if (want instanceof RegExp) assert.match(await el.first().textContent(), want, where);
    else if (typeof want === 'number') assert.equal(await el.count(), want, where);
    else if (typeof want === 'boolean') assert.equal(await el.first().isVisible(), want, where);
    else if (Array.isArray(want)) assert.deepEqual(await el.allTextContents(), want, where);
    else {
      for (const [name, value] of Object.entries(want)) {
        assert.equal(name === 'value' ? await el.inputValue() : await el.first().getAttribute(name), value, where);
      }
    }
  }
}

describe('controller page', () => {
  test('ready is posted once, not again for the whole state, every control posts exactly its message, every field its editing and the tour its end', async () => {
    const { page } = await open('controller.html');
    assert.deepEqual(await posted(page), [{ handler: 'bridge', body: { verb: 'ready' } }]);
    await fillState(page);
    await page.waitForTimeout(200);
    assert.deepEqual(await takePosted(page), [{ handler: 'bridge', body: { verb: 'ready' } }]);
    const expectPosts = async (what, action, bodies) => {
      await action();
      const got = (await takePosted(page)).map((m) => {
        assert.equal(m.handler, 'bridge', what);
        return m.body;
      });
      assert.deepStrictEqual(got, bodies, what);
    };
    const click = (selector) => () => page.locator(selector).click();
    const typeInto = (selector, value) => async () => {
      await page.locator(selector).fill(value);
      await page.locator(selector).blur();
    };
    const editing = (on) => ({ verb: 'setEditing', on });

    // The controls the end-to-end tests click (output display, pattern, showing the output, copy
    // report) are proven there by what they do.
    await expectPosts('choose modes display', click('#display-list li[data-id="413"] .display-pick'), [{ verb: 'selectDisplay', id: 413 }]);
    await expectPosts("the output display's modes", click('#modes-of-output'), [{ verb: 'selectDisplay', id: 412 }]);
    assert.equal(await page.locator('#modes-of-output').isVisible(), false, 'hidden while they are listed');
    await expectPosts('identify', click('#identify'), [{ verb: 'identifyDisplays' }]);
    await expectPosts('apply a mode', click('#mode-list [data-mode-id="108"]'), [{ verb: 'applyMode', id: 108 }]);
    await call(page, () => window.revertCountdown(15));
    assert.equal(await text(page, '#trial-title'), 'Keep 1920 × 1080 @ 50.00 Hz?', 'the trial names the mode clicked');
    assert.match(await attr(page, '#mode-list [data-mode-id="108"]', 'class'), /on-trial/);
    await expectPosts('keep the mode', click('#trial-keep'), [{ verb: 'confirmMode' }]);
    await expectPosts('revert the mode', click('#trial-revert'), [{ verb: 'revertMode' }]);
    await call(page, () => window.revertResolved(false));
    assert.deepEqual(await page.$$eval('.pattern', (all) => all.map((b) => b.dataset.pattern)), patternNames,
      'the page shows the patterns in the order Prev and Next step through them');
    await expectPosts('previous', click('#pattern-prev'), [{ verb: 'cyclePattern', delta: -1 }]);
    await expectPosts('next', click('#pattern-next'), [{ verb: 'cyclePattern', delta: 1 }]);
    await expectPosts('hide output', click('#output-toggle'), [{ verb: 'showOutput', on: false }]);
    await expectPosts('blank', click('#blank'), [{ verb: 'blank' }]);
    await expectPosts('info card', click('#info-toggle'), [{ verb: 'showInfo', on: true }]);
    await expectPosts('mirror', click('#mirror-toggle'), [{ verb: 'setMirror', on: true }]);
    await expectPosts('auto-cycle on', click('#cycle-toggle'), [{ verb: 'autoCycle', on: true, seconds: 2 }]);
    await call(page, () => window.autoCycleChanged(true));
    await expectPosts('cycle interval', typeInto('#cycle-seconds', '4.5'),
      [editing(true), { verb: 'autoCycle', on: true, seconds: 4.5 }, editing(false)]);
    await expectPosts('auto-cycle off', click('#cycle-toggle'), [{ verb: 'autoCycle', on: false, seconds: 4.5 }]);
    await expectPosts('a nonsense interval is refused', typeInto('#cycle-seconds', '-3'), [editing(true), editing(false)]);
    assert.equal(await page.inputValue('#cycle-seconds'), '4.5');
    await expectPosts('aspect frame on', click('#aspect-chips [data-ratio="21:9"]'),
      [{ verb: 'setAspectRatios', ratios: ['21:9', '16:9', '4:3'] }]);
    await expectPosts('aspect frame off', click('#aspect-chips [data-ratio="16:9"]'),
      [{ verb: 'setAspectRatios', ratios: ['21:9', '4:3'] }]);
    await expectPosts('bounce period', typeInto('#bounce-seconds', '2.5'),
      [editing(true), { verb: 'setBounceRate', seconds: 2.5 }, editing(false)]);
    await expectPosts('timecode rate', () => page.selectOption('#timecode-fps', '25'), [{ verb: 'setTimecodeFps', fps: 25 }]);
    await expectPosts('video range', () => page.selectOption('#video-range', 'limited'), [{ verb: 'setVideoRange', range: 'limited' }]);
    await call(page, () => window.videoRangeChanged('full'));
    assert.equal(await page.inputValue('#video-range'), 'full');
    assert.match(await text(page, '#video-range option[value="full"]'), /clipped/);
    await expectPosts('choose logo', click('#logo-pick'), [{ verb: 'pickSlateLogo' }]);
    await expectPosts('clear logo', click('#logo-clear'), [{ verb: 'clearSlateLogo' }]);
    // Each audio control posts the whole audio state.
    for (const [selector, signal, channels, invert] of [
      ['#audio-signal [data-signal="tone"]', 'tone', 'both', false],
      ['#audio-channels [data-channels="left"]', 'tone', 'left', false],
      ['#audio-channels [data-channels="right"]', 'tone', 'right', false],
      ['#audio-invert', 'tone', 'right', true],
      ['#audio-signal [data-signal="pink"]', 'pink', 'right', true],
      ['#audio-signal [data-signal="off"]', 'off', 'right', true],
    ]) {
      await expectPosts(selector, click(selector), [{ verb: 'setAudio', signal, channels, invert }]);
    }
    await page.locator('#profile-name').fill('Main hall');
    assert.equal(await text(page, '#profile-save'), 'Replace', 'saving under a stored name says it replaces it');
    await expectPosts('save profile', async () => {
      await page.locator('#profile-name').fill('  Stage left ');
      await page.locator('#profile-name').press('Enter');
    }, [editing(true), { verb: 'saveProfile', name: 'Stage left' }, editing(false)]);
    await expectPosts('blank name saves nothing', async () => {
      await page.locator('#profile-name').fill('   ');
      await page.locator('#profile-name').press('Enter');
      await page.locator('#profile-name').blur();
    }, [editing(true), editing(false)]);
    assert.equal(await page.locator('#profile-save').isDisabled(), true);
    await expectPosts('load profile', click('#profile-list li:nth-child(2) .btn >> text=Load'), [{ verb: 'loadProfile', name: 'Rehearsal 50 Hz' }]);
    await expectPosts('delete asks first', click('#profile-list li:nth-child(3) .btn >> text=Delete'), []);
    await expectPosts('delete confirmed', click('#profile-list li:nth-child(3) .btn.confirm'), [{ verb: 'deleteProfile', name: 'Foyer screens' }]);
    await expectPosts('remote off', click('#remote-switch'), [{ verb: 'setRemote', on: false }]);
    assert.equal(await page.locator('#remote-live').isVisible(), false, 'a remote switched off shows no address');
    await call(page, () => window.remoteStatus({ on: false, requested: true, url: '', pin: '', qr: '' }));
    await expectPosts('remote retry', click('#remote-retry'), [{ verb: 'setRemote', on: true }]);
    // The sync offset field shows what the core has in force.
    assert.equal(await page.inputValue('#sync-offset'), '0');
    await expectPosts('sync offset, negative and past its range', typeInto('#sync-offset', '-2500'),
      [editing(true), { verb: 'setSyncOffset', ms: -2500 }, editing(false)]);
    await call(page, () => window.syncOffsetChanged(-1000.0));
    assert.equal(await page.inputValue('#sync-offset'), '-1000', 'the field shows the value held to its range');
    await expectPosts('an empty sync offset posts nothing', typeInto('#sync-offset', ''), [editing(true), editing(false)]);
    assert.equal(await page.inputValue('#sync-offset'), '-1000', 'and shows the value in force again');
    // Every text field and drop-down list, the calibration's among them, reports editing on focus
    // and blur.
    await page.click('#calibration-open');
    const fields = await page.$$eval('input:not([type=checkbox]), select', (all) => all.map((f) => f.id));
    assert.ok(fields.length >= 4 && fields.includes('timecode-fps'), 'fields: ' + fields.join(', '));
    for (const id of fields) {
      await expectPosts(id, async () => {
        await page.focus('#' + id);
        await page.locator('#' + id).blur();
      }, [editing(true), editing(false)]);
    }
    await expectPosts('tour start posts nothing yet', click('#tour-start'), []);
    // The tour ends with one tourEvent: finished after its last step, skipped after its first,
    // and left at once with Escape.
    for (const [end, nexts, skipped] of [['#tour-next', Infinity, false], ['#tour-skip', 1, true], ['Escape', 0, true]]) {
      await call(page, () => window.__qvTour.startWelcome());
      assert.equal(await page.locator('#tour-card').isVisible(), true);
      let steps = 1;
      while (steps <= nexts && (await text(page, '#tour-next')) !== 'Finish') {
        await page.click('#tour-next');
        steps += 1;
        assert.deepEqual(await posted(page), [], 'nothing is posted before the end');
      }
      assert.ok(skipped || steps >= 4, 'a few steps: ' + steps);
      await (end === 'Escape' ? page.keyboard.press(end) : page.click(end));
      assert.equal(await page.locator('#tour').isVisible(), false, end);
      assert.deepEqual(await takePosted(page), [{ handler: 'bridge', body: { verb: 'tourEvent', skipped } }], end);
    }
  });

  test('every call from native code changes what the page shows', async () => {
    const { page } = await controllerPage(open);
    await expectShows(page, 'the state filled in', {
      '#display-list li': 3,
      '#display-list li >> nth=0': /Built-in DisplayBuilt-in2880×1800 @ 60\.00 Hz/,
      '#display-list li >> nth=1': /PA-32 Projector \(#412\)External1920×1080 @ 59\.94 Hz/,
      '#display-list li[data-id="412"] .tally': { 'aria-pressed': 'true' },
      '#mode-list .mode-row': 6,
      '#mode-list .mode-row >> nth=0': /3840 × 2160\s*Native/,
      '#mode-list .mode-row >> nth=1': /Scaled 1920 × 1080 pt/,
      '#mode-list [aria-current="true"]': '59.94',
      '#remote-pin': '042917',
      '#remote-url': 'http://192.168.1.40:50123/?pin=042917',
      '#remote-qr': { src: qrDataUrl },
    });
    assert.ok(await page.$eval('#remote-qr', (img) => img.complete && img.naturalWidth > 0));
    await call(page, (m) => window.modesChanged(m, true), modes);
    assert.ok(await page.$eval('#mode-list', (list) => {
      const row = list.querySelector('.has-current').getBoundingClientRect();
      const box = list.getBoundingClientRect();
      return row.top >= box.top && row.bottom <= box.bottom;
    }), 'the current mode is in view');
    assert.equal(await page.locator('#mode-list .rate:disabled').count(), 0);

    const refusal = 'Display modes cannot be changed from here on a Wayland desktop; use the desktop\'s display settings.';
    const offline = { on: false, requested: true, url: '', pin: '', qr: '' };
    const calls = [
      [(m) => window.modesChanged(m, false), modes, { '#mode-list .rate:enabled': 0, '#modes-note': /not allowed/ }],
      [([m, why]) => window.modesChanged(m.slice(0, 1), false, why), [modes, refusal],
        { '#mode-list .rate:enabled': 0, '#modes-note': refusal }],
      [() => window.patternChanged('grid'), null,
        { '.pattern[data-pattern="grid"]': { 'aria-pressed': 'true' }, '.pattern[aria-pressed="true"]': 1, '#pattern-state': 'Grid' }],
      [() => window.profilesChanged(['Only one']), null, { '#profile-list .profile-name': ['Only one'] }],
      [() => window.profilesChanged([]), null, { '#profiles-empty': true }],
      [() => window.mirrorChanged(true), null, { '#mirror-toggle': { 'aria-pressed': 'true' }, '#output-where': /mirrored on all/ }],
      [() => window.syncSelections(413, 413, ['21:9'], 2.0), null, {
        '#display-list li[data-id="413"] .display-pick': { 'aria-pressed': 'true' },
        '#display-list li[data-id="413"] .tally': { 'aria-pressed': 'true' },
        '#aspect-chips [aria-pressed="true"]': ['21:9'],
        '#bounce-seconds': { value: '2' },
      }],
      [() => window.slateTextChanged('Hall B'), null, { '#slate-text': { value: 'Hall B' }, '#modes-of': 'for PA-32 Projector (#413) · output' }],
      [() => window.displaySelections(413, 412), null, {
        '#display-list li[data-id="412"] .tally': { 'aria-pressed': 'true' },
        '#modes-of': 'for PA-32 Projector (#413)',
        '#modes-of-output': true,
      }],
      [() => {
        window.revertCountdown(15);
        window.modeApplied(true, 15);
      }, null, { '#trial': true, '#trial-seconds': '15' }],
      [() => window.revertCountdown(9), null, { '#trial-count': '9' }],
      [() => window.revertResolved(true), null, { '#trial': false, '#modes-note': /kept/ }],
      // A refused mode is resolved before the report of the apply: no countdown to show.
      [() => {
        window.revertResolved(false);
        window.modeApplied(true, 15);
      }, null, { '#trial': false, '#modes-note': /refused/ }],
      [() => {
        window.revertCountdown(15);
        window.revertResolved(true);
      }, null, { '#modes-note': /kept/ }],
      // A refusal reported as such, whenever it arrives.
      [() => {
        window.revertResolved(false);
        window.modeApplied(false, 15);
      }, null, { '#trial': false, '#modes-note': /refused/ }],
      [() => window.outputVisibilityChanged(false), null, { '#output-state': 'Hidden' }],
      [() => window.outputVisibilityChanged(true), null, { '#output-state': 'Live' }],
      [() => window.infoVisibilityChanged(true), null, { '#info-toggle': { 'aria-pressed': 'true' } }],
      [() => window.frameStatus(50.0, 3, false), null, { '#frames-state': 'Dropping', '#frames-detail': '50.00 Hz · 3 dropped' }],
      [() => window.frameStatus(60.0, 3, true), null, { '#frames-state': 'Steady' }],
      [() => window.outputVisibilityChanged(false), null, { '#frames-state': 'Idle', '#frames-detail': 'Last: 60.00 Hz · 3 dropped' }],
      [() => {
        window.outputVisibilityChanged(true);
        window.frameStatus(null, null, null, 'refresh timing is not available on this desktop');
      }, null, {
        '#frames-state': 'Not measured',
        '#frames-detail': 'refresh timing is not available on this desktop',
        '#readout-frames.alert': 0,
      }],
      [() => window.autoCycleChanged(true), null, { '#cycle-toggle': { 'aria-pressed': 'true' }, '#pattern-extra': /Cycling solid fields/ }],
      [() => window.autoCycleChanged(false), null, { '#cycle-toggle': { 'aria-pressed': 'false' } }],
      [() => window.reportCopied(), null, { '#copy-report': /Copied/ }],
      [(s) => window.remoteStatus(s), offline, { '#remote-failed': true, '#remote-switch': { 'aria-checked': 'true' } }],
      // Only a PNG data address becomes the QR image.
      [() => window.remoteStatus({ on: true, requested: true, url: 'http://10.0.0.2:1/?pin=1', pin: '000001', qr: 'http://10.0.0.9/qr.png' }),
        null, { '#remote-qr': { src: null } }],
      [(s) => window.remoteStatus({ ...s, requested: false }), offline, { '#remote-switch': { 'aria-checked': 'false' }, '#remote-off': true }],
      [() => window.displaysChanged([]), null, { '#displays-empty': true, '#identify': { disabled: '' } }],
    ];
    for (const [script, arg, checks] of calls) {
      await call(page, script, arg);
      await expectShows(page, script.toString(), checks);
    }
  });

  test('calls with junk arguments change nothing and throw nothing; names from outside show as text and run nothing', async () => {
    const { page } = await controllerPage(open);
    await call(page, () => {
      const junk = [undefined, null, true, 7, {}, [null]];
      const names = ['displaysChanged', 'modesChanged', 'patternChanged', 'profilesChanged', 'mirrorChanged',
        'syncSelections', 'modeApplied', 'outputVisibilityChanged', 'infoVisibilityChanged', 'revertCountdown',
        'revertResolved', 'frameStatus', 'autoCycleChanged', 'remoteStatus', 'syncOffsetChanged', 'slateTextChanged'];
      for (const name of names) {
        for (const value of junk) {
          window[name](value, value, value, value);
        }
      }
    });
    assert.equal(await text(page, '#pattern-state'), 'Colour bars');
    assert.equal(await text(page, '#remote-pin'), '042917');
    assert.equal(await page.locator('#trial').isVisible(), false);

    await call(page, ({ list, name }) => {
      window.displaysChanged([{ ...list[1], name }]);
      window.profilesChanged([name]);
      window.patternChanged(name);
      window.remoteStatus({ on: true, requested: true, url: name, pin: name, qr: '' });
    }, { list: displays, name: hostile });
    await page.waitForTimeout(300);
    for (const selector of ['#display-list .display-name', '#profile-list .profile-name', '#remote-url', '#pattern-state']) {
      assert.equal(await text(page, selector), hostile, selector);
    }
    assert.equal(await page.locator('#pattern-thumb').isVisible(), false);
    assert.equal(await page.locator('#display-list img, #profile-list img, #remote-live dd img').count(), 0);
    assert.equal(await page.evaluate(() => window.__dialogs), 0);
  });

  // The Calibration section: what the form posts, the messages for what it refuses, and the
  // session's state as the application reports it.
  test('the calibration form posts its values, refuses what the application would, and shows the session', async () => {
    const { page } = await controllerPage(open);
    const bodies = async () => (await takePosted(page)).map((m) => m.body);
    const fill = async (values) => {
      for (const [id, value] of Object.entries(values)) {
        await page.locator('#calibration-' + id).fill(value);
      }
    };
    const start = () => page.locator('#calibration-start').click();
    const error = () => page.locator('#calibration-error');

    assert.ok(await page.locator('#calibration-form').isHidden(), 'the section starts closed');
    await page.click('#calibration-open');
    assert.equal(await page.getAttribute('#calibration-open', 'aria-expanded'), 'true');

    // Each value the application would refuse, met in turn, is named and its field, if any, focused.
    for (const [values, field, message] of [
      [{}, null, 'Give the address as HOST or HOST:PORT.'],
      [{ address: ' 127.0.0.1:20002 ', window: '0' }, 'window', 'Window takes a number above 0, up to 100.'],
      [{ window: '10', background: 'grey' }, 'background', 'Background takes a number from 0 to 255.'],
      [{ background: '16', 'insert-every': '30' }, null, 'Insert every and insert for go together: give both or neither.'],
    ]) {
      await fill(values);
      await start();
      assert.equal(await error().textContent(), message);
      assert.ok(await error().isVisible());
      if (field) assert.equal(await page.evaluate(() => document.activeElement.id), 'calibration-' + field, message);
    }
    assert.deepEqual((await bodies()).filter((b) => b.verb === 'startCalibration'), []);

    await fill({ 'insert-for': '2.5', 'insert-grey': '128' });
    const option = page.locator('#calibration-display option').nth(1);
    const displayId = Number(await option.getAttribute('value'));
    await page.locator('#calibration-display').selectOption(String(displayId));
    await start();
    assert.ok(!(await error().isVisible()));
    assert.deepEqual((await bodies()).filter((b) => b.verb === 'startCalibration'), [{
      verb: 'startCalibration', program: 'resolve', address: '127.0.0.1:20002', display: displayId,
      window: 10, background: 16, insertEvery: 30, insertFor: 2.5, insertGrey: 128,
    }]);

    // The core's states, its reasons inserted as text.
    const status = (s) => page.evaluate((arg) => window.calibrationStatus(arg), s);
    const shown = () => page.locator('#calibration-status').textContent();
    await status({ state: 'connecting', patches: 0, message: '127.0.0.1:20002' });
    assert.equal(await shown(), 'Connecting to 127.0.0.1:20002…');
    assert.ok(await page.locator('#calibration-start').isDisabled());
    await status({ state: 'running', patches: 1, message: '' });
    assert.equal(await shown(), 'Running: 1 patch shown.');
    await status({ state: 'invalid', patches: 0, message: 'A session is running: stop it first.' });
    assert.equal(await error().textContent(), 'A session is running: stop it first.');
    assert.equal(await shown(), 'Running: 1 patch shown.');
    await page.locator('#calibration-stop').click();
    assert.deepEqual((await bodies()).filter((b) => b.verb !== 'setEditing'), [{ verb: 'stopCalibration' }]);
    await status({ state: 'ended', patches: 3, message: 'Cannot reach ' + hostile });
    assert.equal(await shown(), 'Ended after 3 patches shown. Cannot reach ' + hostile);
    assert.equal(await page.locator('#calibration-status img').count(), 0);
    assert.ok(await page.locator('#calibration-stop').isHidden());
    assert.ok(await page.locator('#calibration-start').isEnabled());

    await page.locator('#calibration-program').selectOption('argyll');
    assert.equal(await page.locator('#calibration-address').getAttribute('placeholder'), 'http://127.0.0.1:8080');
    await fill({ address: '' });
    await start();
    assert.equal(await error().textContent(), 'Give an http address, such as http://127.0.0.1:8080.');
  });
});
