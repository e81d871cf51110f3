// The controller page in Chromium with a recording fake of the native handlers: what each
// control posts, what each call from native code shows, and the tour. How it is laid out and
// walked with the keyboard: controller_layout.test.mjs.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import { pagesInOneBrowser, posted, takePosted } from '../support/page_harness.mjs';
import { controllerPage, displays, fillState, modes, qrDataUrl } from './controller_fixture.mjs';

const patternNames = [
  'calibration', 'grid', 'circle', 'focus', 'overscan', 'pixelGrid', 'smpte', 'pluge', 'white',
  'black', 'grey50', 'red', 'green', 'blue', 'grayscaleSteps', 'gradient', 'aspect', 'movingBlock',
  'bounce', 'countdown', 'timecode', 'slate', 'smpteHdBars', 'ebuBars', 'safeAreas', 'crosshatch',
];
const hostile = '<img src=x onerror=alert(1)>';

const open = pagesInOneBrowser();

const text = (page, selector) => page.locator(selector).first().textContent();
const attr = (page, selector, name) => page.locator(selector).first().getAttribute(name);
const call = (page, script, arg) => page.evaluate(script, arg);

describe('controller page', () => {
  test('ready is posted once, not again for the whole state, and every control posts exactly its message', async () => {
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

    await expectPosts('choose modes display', click('#display-list li[data-id="413"] .display-pick'), [{ verb: 'selectDisplay', id: 413 }]);
    await expectPosts("the output display's modes", click('#modes-of-output'), [{ verb: 'selectDisplay', id: 412 }]);
    assert.equal(await page.locator('#modes-of-output').isVisible(), false, 'hidden while they are listed');
    await expectPosts('choose output display', click('#display-list li[data-id="413"] .tally'), [{ verb: 'selectOutputDisplay', id: 413 }]);
    await expectPosts('identify', click('#identify'), [{ verb: 'identifyDisplays' }]);
    await expectPosts('copy report', click('#copy-report'), [{ verb: 'copyReport' }]);
    await expectPosts('apply a mode', click('#mode-list [data-mode-id="108"]'), [{ verb: 'applyMode', id: 108 }]);
    await call(page, () => window.revertCountdown(15));
    assert.equal(await text(page, '#trial-title'), 'Keep 1920 × 1080 @ 50.00 Hz?', 'the trial names the mode clicked');
    assert.match(await attr(page, '#mode-list [data-mode-id="108"]', 'class'), /on-trial/);
    await expectPosts('keep the mode', click('#trial-keep'), [{ verb: 'confirmMode' }]);
    await expectPosts('revert the mode', click('#trial-revert'), [{ verb: 'revertMode' }]);
    await call(page, () => window.revertResolved(false));
    assert.deepEqual(await page.$$eval('.pattern', (all) => all.map((b) => b.dataset.pattern)), patternNames,
      'the page shows the patterns in the order Prev and Next step through them');
    for (const name of patternNames) {
      await expectPosts('pattern ' + name, click(`.pattern[data-pattern="${name}"]`), [{ verb: 'showPattern', name }]);
    }
    await expectPosts('previous', click('#pattern-prev'), [{ verb: 'cyclePattern', delta: -1 }]);
    await expectPosts('next', click('#pattern-next'), [{ verb: 'cyclePattern', delta: 1 }]);
    await expectPosts('hide output', click('#output-toggle'), [{ verb: 'showOutput', on: false }]);
    await call(page, () => window.outputVisibilityChanged(false));
    await expectPosts('show output', click('#output-toggle'), [{ verb: 'showOutput', on: true }]);
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
    await expectPosts('slate text', typeInto('#slate-text', 'Hall A, take 3'),
      [editing(true), { verb: 'setSlateText', text: 'Hall A, take 3' }, editing(false)]);
    await expectPosts('choose logo', click('#logo-pick'), [{ verb: 'pickSlateLogo' }]);
    await expectPosts('clear logo', click('#logo-clear'), [{ verb: 'clearSlateLogo' }]);
    await expectPosts('tone', click('#audio-signal [data-signal="tone"]'),
      [{ verb: 'setAudio', signal: 'tone', channels: 'both', invert: false }]);
    await expectPosts('left', click('#audio-channels [data-channels="left"]'),
      [{ verb: 'setAudio', signal: 'tone', channels: 'left', invert: false }]);
    await expectPosts('right', click('#audio-channels [data-channels="right"]'),
      [{ verb: 'setAudio', signal: 'tone', channels: 'right', invert: false }]);
    await expectPosts('left again', click('#audio-channels [data-channels="left"]'),
      [{ verb: 'setAudio', signal: 'tone', channels: 'left', invert: false }]);
    await expectPosts('invert', click('#audio-invert'), [{ verb: 'setAudio', signal: 'tone', channels: 'left', invert: true }]);
    await expectPosts('pink', click('#audio-signal [data-signal="pink"]'),
      [{ verb: 'setAudio', signal: 'pink', channels: 'left', invert: true }]);
    await expectPosts('audio off', click('#audio-signal [data-signal="off"]'),
      [{ verb: 'setAudio', signal: 'off', channels: 'left', invert: true }]);
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
    await expectPosts('sync offset', typeInto('#sync-offset', '-40'), [editing(true), { verb: 'setSyncOffset', ms: -40 }, editing(false)]);
    await call(page, () => window.syncOffsetChanged(-40.0));
    await expectPosts('sync offset past its range', typeInto('#sync-offset', '2500'),
      [editing(true), { verb: 'setSyncOffset', ms: 2500 }, editing(false)]);
    await call(page, () => window.syncOffsetChanged(1000.0));
    assert.equal(await page.inputValue('#sync-offset'), '1000', 'the field shows the value held to its range');
    await expectPosts('an empty sync offset posts nothing', typeInto('#sync-offset', ''), [editing(true), editing(false)]);
    assert.equal(await page.inputValue('#sync-offset'), '1000', 'and shows the value in force again');
    await expectPosts('tour start posts nothing yet', click('#tour-start'), []);
  });

  test('every text field and drop-down list reports editing on focus and blur', async () => {
    const { page } = await controllerPage(open);
    await page.click('#calibration-open');
    const fields = await page.$$eval('input:not([type=checkbox]), select', (all) => all.map((f) => f.id));
    assert.ok(fields.length >= 4, 'fields: ' + fields.join(', '));
    assert.ok(fields.includes('timecode-fps'), 'fields: ' + fields.join(', '));
    for (const id of fields) {
      await page.focus('#' + id);
      await page.locator('#' + id).blur();
      assert.deepEqual((await takePosted(page)).map((m) => m.body), [
        { verb: 'setEditing', on: true },
        { verb: 'setEditing', on: false },
      ], id);
    }
  });

  test('every call from native code changes what the page shows', async () => {
    const { page } = await controllerPage(open);
    const cards = page.locator('#display-list li');
    assert.equal(await cards.count(), 3);
    assert.match(await cards.nth(0).textContent(), /Built-in DisplayBuilt-in2880×1800 @ 60\.00 Hz/);
    assert.match(await cards.nth(1).textContent(), /PA-32 Projector \(#412\)External1920×1080 @ 59\.94 Hz/);
    assert.equal(await attr(page, '#display-list li[data-id="412"] .tally', 'aria-pressed'), 'true');

    assert.equal(await page.locator('#mode-list .mode-row').count(), 6);
    assert.match(await text(page, '#mode-list .mode-row'), /3840 × 2160\s*Native/);
    assert.match(await page.locator('#mode-list .mode-row').nth(1).textContent(), /Scaled 1920 × 1080 pt/);
    assert.equal(await text(page, '#mode-list [aria-current="true"]'), '59.94');
    await call(page, (m) => window.modesChanged(m, true), modes);
    assert.ok(await page.$eval('#mode-list', (list) => {
      const row = list.querySelector('.has-current').getBoundingClientRect();
      const box = list.getBoundingClientRect();
      return row.top >= box.top && row.bottom <= box.bottom;
    }), 'the current mode is in view');
    assert.equal(await page.locator('#mode-list .rate:disabled').count(), 0);
    await call(page, (m) => window.modesChanged(m, false), modes);
    assert.equal(await page.locator('#mode-list .rate:enabled').count(), 0);
    assert.match(await text(page, '#modes-note'), /not allowed/);
    const refusal = 'Display modes cannot be changed from here on a Wayland desktop; use the desktop\'s display settings.';
    await call(page, ([m, why]) => window.modesChanged(m.slice(0, 1), false, why), [modes, refusal]);
    assert.equal(await page.locator('#mode-list .rate:enabled').count(), 0);
    assert.equal(await text(page, '#modes-note'), refusal);

    await call(page, () => window.patternChanged('grid'));
    assert.equal(await attr(page, '.pattern[data-pattern="grid"]', 'aria-pressed'), 'true');
    assert.equal(await page.locator('.pattern[aria-pressed="true"]').count(), 1);
    assert.equal(await text(page, '#pattern-state'), 'Grid');

    await call(page, () => window.profilesChanged(['Only one']));
    assert.deepEqual(await page.locator('#profile-list .profile-name').allTextContents(), ['Only one']);
    await call(page, () => window.profilesChanged([]));
    assert.equal(await page.locator('#profiles-empty').isVisible(), true);

    await call(page, () => window.mirrorChanged(true));
    assert.equal(await attr(page, '#mirror-toggle', 'aria-pressed'), 'true');
    assert.match(await text(page, '#output-where'), /mirrored on all/);

    await call(page, () => window.syncSelections(413, 413, ['21:9'], 2.0));
    assert.equal(await attr(page, '#display-list li[data-id="413"] .display-pick', 'aria-pressed'), 'true');
    assert.equal(await attr(page, '#display-list li[data-id="413"] .tally', 'aria-pressed'), 'true');
    assert.deepEqual(await page.locator('#aspect-chips [aria-pressed="true"]').allTextContents(), ['21:9']);
    assert.equal(await page.inputValue('#bounce-seconds'), '2');
    await call(page, () => window.slateTextChanged('Hall B'));
    assert.equal(await page.inputValue('#slate-text'), 'Hall B');
    assert.equal(await text(page, '#modes-of'), 'for PA-32 Projector (#413) · output');
    await call(page, () => window.displaySelections(413, 412));
    assert.equal(await attr(page, '#display-list li[data-id="412"] .tally', 'aria-pressed'), 'true');
    assert.equal(await text(page, '#modes-of'), 'for PA-32 Projector (#413)');
    assert.equal(await page.locator('#modes-of-output').isVisible(), true);

    await call(page, () => window.revertCountdown(15));
    await call(page, () => window.modeApplied(true, 15));
    assert.equal(await page.locator('#trial').isVisible(), true);
    assert.equal(await text(page, '#trial-seconds'), '15');
    await call(page, () => window.revertCountdown(9));
    assert.equal(await text(page, '#trial-count'), '9');
    await call(page, () => window.revertResolved(true));
    assert.equal(await page.locator('#trial').isVisible(), false);
    assert.match(await text(page, '#modes-note'), /kept/);
    // A refused mode is resolved before the report of the apply: no countdown to show.
    await call(page, () => {
      window.revertResolved(false);
      window.modeApplied(true, 15);
    });
    assert.equal(await page.locator('#trial').isVisible(), false);
    assert.match(await text(page, '#modes-note'), /refused/);
    await call(page, () => {
      window.revertCountdown(15);
      window.revertResolved(true);
    });
    assert.match(await text(page, '#modes-note'), /kept/);
    // A refusal reported as such, whenever it arrives.
    await call(page, () => {
      window.revertResolved(false);
      window.modeApplied(false, 15);
    });
    assert.equal(await page.locator('#trial').isVisible(), false);
    assert.match(await text(page, '#modes-note'), /refused/);

    await call(page, () => window.outputVisibilityChanged(false));
    assert.equal(await text(page, '#output-state'), 'Hidden');
    await call(page, () => window.outputVisibilityChanged(true));
    assert.equal(await text(page, '#output-state'), 'Live');
    await call(page, () => window.infoVisibilityChanged(true));
    assert.equal(await attr(page, '#info-toggle', 'aria-pressed'), 'true');

    await call(page, () => window.frameStatus(50.0, 3, false));
    assert.equal(await text(page, '#frames-state'), 'Dropping');
    assert.equal(await text(page, '#frames-detail'), '50.00 Hz · 3 dropped');
    await call(page, () => window.frameStatus(60.0, 3, true));
    assert.equal(await text(page, '#frames-state'), 'Steady');
    await call(page, () => window.outputVisibilityChanged(false));
    assert.equal(await text(page, '#frames-state'), 'Idle');
    assert.equal(await text(page, '#frames-detail'), 'Last: 60.00 Hz · 3 dropped');
    await call(page, () => window.outputVisibilityChanged(true));
    await call(page, () => window.frameStatus(null, null, null, 'refresh timing is not available on this desktop'));
    assert.equal(await text(page, '#frames-state'), 'Not measured');
    assert.equal(await text(page, '#frames-detail'), 'refresh timing is not available on this desktop');
    assert.equal(await page.locator('#readout-frames.alert').count(), 0);

    await call(page, () => window.autoCycleChanged(true));
    assert.equal(await attr(page, '#cycle-toggle', 'aria-pressed'), 'true');
    assert.match(await text(page, '#pattern-extra'), /Cycling solid fields/);
    await call(page, () => window.autoCycleChanged(false));
    assert.equal(await attr(page, '#cycle-toggle', 'aria-pressed'), 'false');

    await call(page, () => window.reportCopied());
    assert.match(await text(page, '#copy-report'), /Copied/);

    assert.equal(await text(page, '#remote-pin'), '042917');
    assert.equal(await text(page, '#remote-url'), 'http://192.168.1.40:50123/?pin=042917');
    assert.equal(await attr(page, '#remote-qr', 'src'), qrDataUrl);
    assert.ok(await page.$eval('#remote-qr', (img) => img.complete && img.naturalWidth > 0));
    await call(page, () => window.remoteStatus({ on: false, requested: true, url: '', pin: '', qr: '' }));
    assert.equal(await page.locator('#remote-failed').isVisible(), true);
    assert.equal(await attr(page, '#remote-switch', 'aria-checked'), 'true');
    await call(page, () => window.remoteStatus({ on: true, requested: true, url: 'http://10.0.0.2:1/?pin=1', pin: '000001', qr: 'http://10.0.0.9/qr.png' }));
    assert.equal(await attr(page, '#remote-qr', 'src'), null, 'only a PNG data address becomes the QR image');
    await call(page, () => window.remoteStatus({ on: false, requested: false, url: '', pin: '', qr: '' }));
    assert.equal(await attr(page, '#remote-switch', 'aria-checked'), 'false');
    assert.equal(await page.locator('#remote-off').isVisible(), true);

    await call(page, () => window.displaysChanged([]));
    assert.equal(await page.locator('#displays-empty').isVisible(), true);
    assert.equal(await page.locator('#identify').isDisabled(), true);
  });

  test('names from outside show as text and run nothing', async () => {
    const { page } = await controllerPage(open);
    await call(page, ({ list, name }) => {
      window.displaysChanged([{ ...list[1], name }]);
      window.profilesChanged([name]);
      window.patternChanged(name);
      window.remoteStatus({ on: true, requested: true, url: name, pin: name, qr: '' });
    }, { list: displays, name: hostile });
    await page.waitForTimeout(300);
    assert.equal(await text(page, '#display-list .display-name'), hostile);
    assert.equal(await text(page, '#profile-list .profile-name'), hostile);
    assert.equal(await text(page, '#remote-url'), hostile);
    assert.equal(await text(page, '#pattern-state'), hostile);
    assert.equal(await page.locator('#pattern-thumb').isVisible(), false);
    assert.equal(await page.locator('#display-list img, #profile-list img, #remote-live dd img').count(), 0);
    assert.equal(await page.evaluate(() => window.__dialogs), 0);
  });

  test('calls with missing or malformed arguments change nothing and throw nothing', async () => {
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
  });

  test('the tour ends with one tourEvent, completed or skipped', async () => {
    const { page } = await controllerPage(open);
    await call(page, () => window.__qvTour && window.__qvTour.startWelcome());
    assert.equal(await page.locator('#tour-card').isVisible(), true);
    let steps = 1;
    while ((await text(page, '#tour-next')) !== 'Finish') {
      await page.click('#tour-next');
      steps += 1;
      assert.deepEqual(await posted(page), [], 'nothing is posted before the end');
    }
    assert.ok(steps >= 4, 'a few steps: ' + steps);
    await page.click('#tour-next');
    assert.equal(await page.locator('#tour').isVisible(), false);
    assert.deepEqual(await takePosted(page), [{ handler: 'bridge', body: { verb: 'tourEvent', skipped: false } }]);

    await call(page, () => window.__qvTour.startWelcome());
    await page.click('#tour-next');
    await page.click('#tour-skip');
    assert.deepEqual(await takePosted(page), [{ handler: 'bridge', body: { verb: 'tourEvent', skipped: true } }]);

    await call(page, () => window.__qvTour.startWelcome());
    await page.keyboard.press('Escape');
    assert.deepEqual(await takePosted(page), [{ handler: 'bridge', body: { verb: 'tourEvent', skipped: true } }]);
  });
});
