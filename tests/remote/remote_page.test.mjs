// The phone remote's page in Chromium at a phone's size, served by a stand-in server that
// records what the page posts.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFile } from 'node:fs/promises';
import http from 'node:http';
import { launchBrowser } from '../support/browser.mjs';

const pagePath = new URL('../../src/remote/remote_page.html', import.meta.url);
const pin = '004207';

const expected = [
  ['Calibration', 'verb=pattern&pin=004207&name=calibration'],
  ['Grid', 'verb=pattern&pin=004207&name=grid'],
  ['SMPTE', 'verb=pattern&pin=004207&name=smpte'],
  ['White', 'verb=pattern&pin=004207&name=white'],
  ['Black', 'verb=pattern&pin=004207&name=black'],
  ['Focus', 'verb=pattern&pin=004207&name=focus'],
  ['PLUGE', 'verb=pattern&pin=004207&name=pluge'],
  ['‹ Prev', 'verb=cycle&pin=004207&delta=-1'],
  ['Next ›', 'verb=cycle&pin=004207&delta=1'],
  ['Show', 'verb=output&pin=004207&on=1'],
  ['Hide', 'verb=output&pin=004207&on=0'],
  ['Identify', 'verb=identify&pin=004207'],
  ['Blank', 'verb=blank&pin=004207'],
];

let server;
let origin;
let browser;
const posts = [];
let waiting = null;

before(async () => {
  const html = await readFile(pagePath);
  server = http.createServer((req, res) => {
    let body = '';
    req.on('data', (chunk) => (body += chunk));
    req.on('end', () => {
      if (req.method === 'POST' && req.url === '/cmd') {
        posts.push({ type: req.headers['content-type'], body });
        res.end('ok');
        if (waiting) waiting();
        return;
      }
      res.setHeader('Content-Type', 'text/html; charset=utf-8');
      res.end(html);
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

function nextPost() {
  if (posts.length > 0) return Promise.resolve(posts.shift());
  return new Promise((resolve) => {
    waiting = () => {
      waiting = null;
      resolve(posts.shift());
    };
  });
}

test('each button posts its command with the PIN from the address', async () => {
  const context = await browser.newContext({ viewport: { width: 390, height: 844 } });
  const page = await context.newPage();
  const requested = [];
  page.on('request', (r) => requested.push(r.url()));
  // Records each button that gets the flash state, however briefly.
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
  await page.goto(`${origin}/?pin=${pin}`);

  assert.equal(await page.title(), 'Lumenor — Remote');
  assert.equal(await page.locator('h1').textContent(), 'Lumenor · Remote');
  const labels = await page.locator('button').allTextContents();
  assert.deepEqual(labels, expected.map(([label]) => label));
  // Everything fits the phone's width.
  assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 390));

  for (const [label, body] of expected) {
    const button = page.getByRole('button', { name: label, exact: true });
    await button.click();
    const post = await nextPost();
    assert.equal(post.body, body, label);
    assert.equal(post.type, 'application/x-www-form-urlencoded', label);
    const selected = await page.locator('button.selected').allTextContents();
    if (body.startsWith('verb=pattern')) {
      assert.deepEqual(selected, [label]);
    } else {
      assert.deepEqual(selected, ['PLUGE'], `${label} keeps the pattern selected`);
    }
  }
  await page.waitForFunction(() => document.querySelectorAll('button.flash').length === 0);
  assert.deepEqual(await page.evaluate(() => window.flashed), labels);
  assert.deepEqual(
    requested.filter((u) => !u.startsWith(`${origin}/`)),
    [],
    'no resource from elsewhere',
  );
  assert.equal(await page.locator('img, link, iframe, [src]').count(), 0);
  await context.close();
});

test('the page is dark with the iris accent on the first button', async () => {
  const context = await browser.newContext({ viewport: { width: 390, height: 844 } });
  const page = await context.newPage();
  await page.goto(`${origin}/`);
  const colours = await page.evaluate(() => {
    const style = (el) => getComputedStyle(el);
    const buttons = document.querySelectorAll('button');
    return {
      background: style(document.body).backgroundColor,
      accent: style(buttons[0]).backgroundColor,
      face: style(buttons[1]).backgroundColor,
      danger: style(buttons[12]).color,
      wide: buttons[0].getBoundingClientRect().width > 2 * buttons[1].getBoundingClientRect().width,
    };
  });
  assert.deepEqual(colours, {
    background: 'rgb(10, 11, 15)',
    accent: 'rgb(140, 124, 247)',
    face: 'rgb(20, 22, 29)',
    danger: 'rgb(255, 45, 114)',
    wide: true,
  });
  // Without a PIN in the address the page posts an empty one.
  await page.getByRole('button', { name: 'Blank' }).click();
  assert.equal((await nextPost()).body, 'verb=blank&pin=');
  await context.close();
});
