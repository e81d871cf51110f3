// The agreement and preferences pages in Chromium with a recording fake of their handlers:
// what each button posts, what the application's push shows, and how each page fits its
// window.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import { controlsUnderDragStrip, expectFits, pagesInOneBrowser, takePosted } from '../support/page_harness.mjs';

const open = pagesInOneBrowser();
const eula = (query) => open('EULA.html', { width: 580, height: 620, query, handlers: ['qvEula'] });
const prefs = () => open('preferences.html', { width: 460, height: 470, handlers: ['qvPrefs'] });

describe('agreement page', () => {
  // Gate mode, and a page without a known mode that can still answer a waiting gate, offer Agree
  // and Quit; view mode only closes.
  for (const [query, gate] of [['?mode=gate&v=1', true], ['', true], ['?mode=view&v=1', false]]) {
    test(`at '${query}' the page offers ${gate ? 'Agree and Quit' : 'Close'}, each posting its action`, async () => {
      const { page } = await eula(query);
      assert.equal(await page.locator('#agree').isVisible(), gate);
      assert.equal(await page.locator('#quit').isVisible(), gate);
      assert.equal(await page.locator('#close').isVisible(), !gate);
      if (gate) {
        await page.click('#quit');
        await page.click('#agree');
      } else {
        await page.click('#close');
        await page.keyboard.press('Escape');
      }
      const actions = gate ? ['quit', 'agree'] : ['close', 'close'];
      assert.deepEqual(await takePosted(page), actions.map((action) => ({ handler: 'qvEula', body: { action } })));
      if (query) {
        assert.match(await page.locator('#eula-version').textContent(), /version 1$/);
        assert.deepEqual(await controlsUnderDragStrip(page, 40), []);
        await expectFits(page, `eula-${gate ? 'gate' : 'view'}-580x620`);
      }
      assert.match(await page.locator('.licence').textContent(), /MIT License/);
      assert.match(await page.locator('.safety').textContent(), /flash/i);
    });
  }
});

describe('preferences page', () => {
  test('shows the pushed telemetry state and switches it, asks to replay the tour, and shows the update switch only when told its state', async () => {
    const { page } = await prefs();
    const checked = (id) => page.getAttribute(id, 'aria-checked');
    assert.equal(await checked('#telemetry'), 'false');
    assert.equal(await page.locator('#updates').isVisible(), false);
    await page.evaluate('window.__qvPrefsInit && window.__qvPrefsInit({telemetry:true});');
    assert.equal(await checked('#telemetry'), 'true');
    await page.click('#telemetry');
    assert.equal(await checked('#telemetry'), 'false');
    await page.click('#telemetry');
    await page.click('#replay');
    await page.evaluate('window.__qvUpdatesInit && window.__qvUpdatesInit({automatic:false});');
    assert.equal(await checked('#updates'), 'false');
    await page.click('#updates');
    assert.equal(await checked('#updates'), 'true');
    assert.deepEqual(await takePosted(page), [
      { handler: 'qvPrefs', body: { action: 'setTelemetry', value: false } },
      { handler: 'qvPrefs', body: { action: 'setTelemetry', value: true } },
      { handler: 'qvPrefs', body: { action: 'replayTutorial' } },
      { handler: 'qvPrefs', body: { action: 'setAutomaticUpdates', value: true } },
    ]);
    assert.match(await page.locator('#replay-done').textContent(), /next time/);
    await page.evaluate('window.__qvPrefsInit && window.__qvPrefsInit({telemetry:false});');
    await page.evaluate('window.__qvUpdatesInit && window.__qvUpdatesInit({automatic:false});');
    assert.equal(await checked('#telemetry'), 'false');
    assert.equal(await checked('#updates'), 'false');
    assert.deepEqual(await controlsUnderDragStrip(page, 40), []);
    await expectFits(page, 'preferences-updates-460x470');
  });
});
