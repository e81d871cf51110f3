// Opens the phone remote's page at ADDRESS in Chromium at a phone's size, taps the button
// named TAP if given, and prints what the page then says as JSON: its message, whether it
// asks for a PIN, its state line, the trial it shows and the buttons that flashed.
import { launchBrowser } from './browser.mjs';

const [address, tap] = process.argv.slice(2);
const browser = await launchBrowser();
try {
  const page = await browser.newPage({ viewport: { width: 390, height: 844 } });
  await page.addInitScript(() => {
    window.flashed = [];
    new MutationObserver((changes) => {
      for (const c of changes) {
        if (c.target.classList.contains('flash')) window.flashed.push(c.target.textContent);
      }
    }).observe(document, { attributes: true, attributeFilter: ['class'], subtree: true });
  });
  await page.goto(address);
  if (tap) {
    await page.getByRole('button', { name: tap, exact: true }).click();
  }
  await page.locator('#problem-text').waitFor({ timeout: 5000 }).catch(() => {});
  await page.waitForTimeout(300);
  console.log(JSON.stringify({
    problem: (await page.locator('#problem').isVisible()) ? await page.locator('#problem-text').textContent() : '',
    asksPin: await page.locator('#pin').isVisible(),
    state: await page.locator('#state').textContent(),
    trial: (await page.locator('#trial').isVisible()) ? await page.locator('#trial-what').textContent() : '',
    flashed: await page.evaluate(() => window.flashed),
  }));
} finally {
  await browser.close();
}
