// The agreement and preferences pages in Chromium with a recording fake of their handlers:
// what each button posts, what the application's push shows, and how each page fits its
// window.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import { controlsUnderDragStrip, expectFits, pagesInOneBrowser, posted, takePosted } from '../support/page_harness.mjs';

const open = pagesInOneBrowser();
const eula = (query, size = { width: 580, height: 620 }) => open('EULA.html', { ...size, query, handlers: ['qvEula'] });
const prefs = () => open('preferences.html', { width: 460, height: 470, handlers: ['qvPrefs'] });

async function checkLayout(page, name) {
  assert.deepEqual(await controlsUnderDragStrip(page, 40), []);
  await expectFits(page, name);
}

describe('agreement page', () => {
  test('gate mode offers Agree and Quit, each posting its action', async () => {
    const { page } = await eula('?mode=gate&v=1');
    assert.equal(await page.locator('#agree').isVisible(), true);
    assert.equal(await page.locator('#quit').isVisible(), true);
    assert.equal(await page.locator('#close').isVisible(), false);
    assert.match(await page.locator('#eula-version').textContent(), /version 1$/);
    await page.click('#quit');
    await page.click('#agree');
    assert.deepEqual(await takePosted(page), [
      { handler: 'qvEula', body: { action: 'quit' } },
      { handler: 'qvEula', body: { action: 'agree' } },
    ]);
    await checkLayout(page, 'eula-gate-580x620');
  });

  test('view mode only closes, and shows the licence and the safety note', async () => {
    const { page } = await eula('?mode=view&v=1');
    assert.equal(await page.locator('#agree').isVisible(), false);
    assert.equal(await page.locator('#quit').isVisible(), false);
    await page.click('#close');
    await page.keyboard.press('Escape');
    assert.deepEqual((await posted(page)).map((m) => m.body), [{ action: 'close' }, { action: 'close' }]);
    assert.match(await page.locator('.licence').textContent(), /MIT License/);
    assert.match(await page.locator('.safety').textContent(), /flash/i);
    await checkLayout(page, 'eula-view-580x620');
  });

  test('without a known mode the page can still answer a waiting gate', async () => {
    const { page } = await eula('');
    assert.equal(await page.locator('#agree').isVisible(), true);
    assert.equal(await page.locator('#quit').isVisible(), true);
  });
});

describe('preferences page', () => {
  test('shows the pushed telemetry state, switches it, and asks to replay the tour', async () => {
    const { page } = await prefs();
    assert.equal(await page.getAttribute('#telemetry', 'aria-checked'), 'false');
    await page.evaluate('window.__qvPrefsInit && window.__qvPrefsInit({telemetry:true});');
    assert.equal(await page.getAttribute('#telemetry', 'aria-checked'), 'true');
    await page.click('#telemetry');
    assert.equal(await page.getAttribute('#telemetry', 'aria-checked'), 'false');
    await page.click('#telemetry');
    await page.click('#replay');
    assert.deepEqual(await takePosted(page), [
      { handler: 'qvPrefs', body: { action: 'setTelemetry', value: false } },
      { handler: 'qvPrefs', body: { action: 'setTelemetry', value: true } },
      { handler: 'qvPrefs', body: { action: 'replayTutorial' } },
    ]);
    assert.match(await page.locator('#replay-done').textContent(), /next time/);
    await page.evaluate('window.__qvPrefsInit && window.__qvPrefsInit({telemetry:false});');
    assert.equal(await page.getAttribute('#telemetry', 'aria-checked'), 'false');
    await checkLayout(page, 'preferences-460x470');
  });

  test('shows the update switch only when told its state, and switches it', async () => {
    const { page } = await prefs();
    assert.equal(await page.locator('#updates').isVisible(), false);
    await page.evaluate('window.__qvUpdatesInit && window.__qvUpdatesInit({automatic:false});');
    assert.equal(await page.getAttribute('#updates', 'aria-checked'), 'false');
    await page.click('#updates');
    assert.equal(await page.getAttribute('#updates', 'aria-checked'), 'true');
    assert.deepEqual(await takePosted(page), [
      { handler: 'qvPrefs', body: { action: 'setAutomaticUpdates', value: true } },
    ]);
    await page.evaluate('window.__qvUpdatesInit && window.__qvUpdatesInit({automatic:false});');
    assert.equal(await page.getAttribute('#updates', 'aria-checked'), 'false');
    await checkLayout(page, 'preferences-updates-460x470');
  });
});
