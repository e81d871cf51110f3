// The Calibration section of the controller page in Chromium: what the form posts, the
// messages for what it refuses, and the session's state as the application reports it.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { pagesInOneBrowser, takePosted } from '../support/page_harness.mjs';
import { controllerPage } from './controller_fixture.mjs';

const open = pagesInOneBrowser();

test('the form posts its values, refuses what the application would, and shows the session', async () => {
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
  const hostile = '<img src=x onerror=alert(1)>';
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
