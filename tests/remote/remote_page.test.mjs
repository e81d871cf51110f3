// The phone remote's page in Chromium at a phone's size, served by a stand-in server that
// checks the PIN as the application does, records what the page posts and answers its state.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFile } from 'node:fs/promises';
import http from 'node:http';
import { launchBrowser } from '../support/browser.mjs';
import { screenshot } from '../support/page_harness.mjs';

const pagePath = new URL('../../src/remote/remote_page.html', import.meta.url);
const patternSource = new URL('../../src/patterns/pattern.cpp', import.meta.url);
const pin = '004207';

let server;
let origin;
let browser;
let catalogue;
let posts = [];
// How the stand-in answers: 'pin' checks the PIN, 'locked' answers a lockout, 'down' drops
// every connection.
let mode = 'pin';
let state = { pattern: 'calibration', output: false };

function carryOut(form) {
  const verb = form.get('verb');
  if (verb === 'pattern') state.pattern = form.get('name');
  if (verb === 'output') state.output = form.get('on') === '1';
  if (verb === 'blank') state = { pattern: 'black', output: true };
  if (verb === 'keep' || verb === 'revert') delete state.trial;
}

before(async () => {
  const html = await readFile(pagePath);
  // The pattern names the application knows, in the catalogue's own spelling.
  catalogue = (await readFile(patternSource, 'utf8')).match(/kRawNames = \{([^}]*)\}/)[1].match(/\w+/g);
  server = http.createServer((req, res) => {
    let body = '';
    req.on('data', (chunk) => (body += chunk));
    req.on('end', () => {
      const url = new URL(req.url, 'http://stand-in');
      const isCmd = req.method === 'POST' && url.pathname === '/cmd';
      const isState = req.method === 'GET' && url.pathname === '/state';
      if (!isCmd && !isState) {
        res.setHeader('Content-Type', 'text/html; charset=utf-8');
        res.end(html);
        return;
      }
      const form = new URLSearchParams(isCmd ? body : url.search);
      if (isCmd) posts.push({ type: req.headers['content-type'], body });
      if (mode === 'down') {
        req.socket.destroy();
      } else if (mode === 'locked') {
        res.writeHead(429).end('locked 27');
      } else if (form.get('pin') !== pin) {
        res.writeHead(403).end('forbidden');
      } else if (isCmd) {
        carryOut(form);
        res.end('ok');
      } else {
        res.setHeader('Content-Type', 'application/json');
        res.end(JSON.stringify(state));
      }
    });
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  origin = `http://127.0.0.1:${server.address().port}`;
  browser = await launchBrowser();
});

after(async () => {
  await browser?.close();
  server?.close();
});

// A phone-sized page at `query`, recording every button that gets the flash state.
async function phonePage(query) {
  mode = 'pin';
  posts = [];
  state = { pattern: 'calibration', output: false };
  const context = await browser.newContext({ viewport: { width: 390, height: 844 } });
  const page = await context.newPage();
  const requested = [];
  page.on('request', (r) => requested.push(r.url()));
  await page.addInitScript(() => {
    window.flashed = [];
    new MutationObserver((changes) => {
      for (const c of changes) {
        const was = (c.oldValue || '').split(' ').includes('flash');
        if (!was && c.target.classList.contains('flash')) window.flashed.push(c.target.textContent);
      }
    }).observe(document, {
      attributes: true,
      attributeFilter: ['class'],
      attributeOldValue: true,
      subtree: true,
    });
  });
  await page.goto(`${origin}/${query}`);
  return { context, page, requested };
}

const problem = (page) => page.locator('#problem-text');
// The buttons that are always there; a trial's two come and go with it.
const commandButtons = 'button[data-verb]:not(.trial-answer)';

test('each button posts its command with the PIN, flashes and the state line follows, and a trial is answered', async () => {
  const { context, page, requested } = await phonePage(`?pin=${pin}`);
  await page.locator('#state', { hasText: 'Calibration card · output hidden' }).waitFor();
  // Each button posts its verb and its other data after the PIN, its title aside.
  const buttons = await page.$$eval(commandButtons, (all) => all.map(({ dataset: { title, ...data } }) => data));
  const names = buttons.filter((b) => b.verb === 'pattern').map((b) => b.name);
  assert.equal(names.length, 22);
  assert.deepEqual(names.filter((n, i) => !catalogue.includes(n) || names.indexOf(n) !== i), [], 'unknown or twice');
  assert.deepEqual(buttons.filter((b) => b.verb !== 'pattern'), [
    { verb: 'cycle', delta: '-1' }, { verb: 'cycle', delta: '1' }, { verb: 'output', on: '1' },
    { verb: 'output', on: '0' }, { verb: 'identify' }, { verb: 'blank' },
  ]);
  // Everything fits the phone's width.
  assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 390));

  const clicks = [
    ['Checker', `verb=pattern&pin=${pin}&name=pixelGrid`, 'One-pixel checkerboard · output hidden'],
    ['Show output', `verb=output&pin=${pin}&on=1`, 'One-pixel checkerboard · output shown'],
    ['Blank', `verb=blank&pin=${pin}`, 'Black · output shown'],
  ];
  for (const [label, body, line] of clicks) {
    await page.getByRole('button', { name: label, exact: true }).click();
    await page.locator('#state', { hasText: line }).waitFor({ timeout: 5000 });
    assert.deepEqual(posts.shift(), { type: 'application/x-www-form-urlencoded', body }, label);
    assert.equal(await page.locator('button.selected').count(), 1, label);
    assert.equal(await page.locator('button.selected').getAttribute('data-name'), state.pattern, label);
  }
  assert.equal(await page.locator('#problem').isVisible(), false);

  // A trial started on the computer shows with its count, and Keep and Revert answer it.
  const trial = page.locator('#trial');
  assert.equal(await trial.isVisible(), false);
  for (const [label, verb] of [['Keep mode', 'keep'], ['Revert now', 'revert']]) {
    state.trial = { display: 'Studio <b>', mode: '1920 × 1080 at 60.00 Hz', secondsLeft: 12 };
    await trial.waitFor({ state: 'visible', timeout: 3000 });
    assert.equal(await page.locator('#trial-what').textContent(), 'Keep 1920 × 1080 at 60.00 Hz on Studio <b>?');
    assert.equal(await page.locator('#trial-count').textContent(), 'Goes back by itself in 12 s');
    state.trial.secondsLeft = 11;
    await page.locator('#trial-count', { hasText: 'in 11 s' }).waitFor({ timeout: 3000 });
    const box = await page.getByRole('button', { name: label, exact: true }).boundingBox();
    assert.ok(box.x >= 0 && box.x + box.width <= 390 && box.y + box.height <= 844, label);
    if (verb === 'keep') await screenshot(page, 'remote-trial');
    await page.getByRole('button', { name: label, exact: true }).click();
    await trial.waitFor({ state: 'hidden', timeout: 3000 });
    assert.equal(posts.shift().body, `verb=${verb}&pin=${pin}`);
  }
  await page.waitForFunction(() => document.querySelectorAll('button.flash').length === 0);
  assert.deepEqual(await page.evaluate(() => window.flashed), [...clicks.map(([label]) => label), 'Keep mode', 'Revert now']);
  assert.deepEqual(requested.filter((u) => !u.startsWith(`${origin}/`)), [], 'no resource from elsewhere');
  await context.close();
});

test('without a PIN in the address the page asks for one and posts nothing until it has it', async () => {
  const { context, page } = await phonePage('');
  await problem(page).waitFor();
  assert.match(await problem(page).textContent(), /Enter the PIN/);
  assert.equal(await page.locator('#pin').isVisible(), true);
  await page.getByRole('button', { name: 'Blank', exact: true }).click();
  assert.deepEqual(posts, []);
  assert.equal(await page.locator('#state').textContent(), '');

  await page.locator('#pin').fill(pin);
  await page.getByRole('button', { name: 'Connect' }).click();
  await page.locator('#state', { hasText: 'Calibration card · output hidden' }).waitFor();
  assert.equal(await page.locator('#problem').isVisible(), false);
  assert.equal(new URL(page.url()).search, `?pin=${pin}`);
  await context.close();
});

// Each failure says what it is, and no tap flashes as if it had worked.
const failures = [
  ['a wrong PIN', '?pin=999999', 'pin', /^Wrong PIN/, true],
  ['a lockout', `?pin=${pin}`, 'locked', /locked for 2[67] s/, false],
  ['a lost connection', `?pin=${pin}`, 'down', /No connection to Lumenor/, false],
];
for (const [what, query, answer, message, asksPin] of failures) {
  test(`${what} is told as it is`, async () => {
    const { context, page } = await phonePage(query);
    // With the right PIN the first state comes before the failure, as it would on a phone.
    if (answer !== 'pin') await page.locator('button.selected').waitFor();
    mode = answer;
    await page.getByRole('button', { name: 'Grid', exact: true }).click();
    await problem(page).waitFor();
    assert.match(await problem(page).textContent(), message);
    assert.equal(await page.locator('#pin').isVisible(), asksPin);
    await page.waitForTimeout(300);
    assert.deepEqual(await page.evaluate(() => window.flashed), []);
    assert.equal(await page.locator('button.selected').count(), answer === 'pin' ? 0 : 1);
    await context.close();
  });
}
