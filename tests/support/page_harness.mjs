// Loads one of Lumenor's pages from the build folder into Chromium with a recording fake of
// the native message handlers, and offers the checks every page test shares.
import assert from 'node:assert/strict';
import { mkdirSync, readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { after, afterEach, before } from 'node:test';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

import { artefactDir, launchBrowser } from './browser.mjs';

const require = createRequire(import.meta.url);

export function pagesDir() {
  const build = process.env.LUMENOR_BUILD_DIR;
  assert.ok(build, 'LUMENOR_BUILD_DIR must name the build folder (ctest sets it)');
  return path.join(build, 'share', 'lumenor', 'pages');
}

// Installed before any page script: every postMessage is recorded with its handler name
// and a deep copy of its body, as native code would receive it.
function recordingBridge(handlerNames) {
  window.__posted = [];
  window.__dialogs = 0;
  window.alert = () => {
    window.__dialogs += 1;
  };
  const handlers = {};
  for (const name of handlerNames) {
    handlers[name] = {
      postMessage(body) {
        window.__posted.push({ handler: name, body: JSON.parse(JSON.stringify(body)) });
      },
    };
  }
  window.webkit = { messageHandlers: handlers };
}

// Opens `file` (with an optional query) at the given viewport size. Page errors and
// console errors (a refused resource under the page's Content-Security-Policy among them)
// are collected in `problems`.
export async function openPage(browser, file, { width = 1200, height = 800, query = '', handlers = ['bridge'] } = {}) {
  const context = await browser.newContext({ viewport: { width, height } });
  await context.addInitScript(recordingBridge, handlers);
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push('page error: ' + error.message));
  page.on('console', (message) => {
    if (message.type() === 'error') {
      problems.push('console: ' + message.text());
    }
  });
  page.on('dialog', (dialog) => {
    problems.push('dialog: ' + dialog.message());
    dialog.dismiss();
  });
  const url = pathToFileURL(path.join(pagesDir(), file)).href + query;
  await page.goto(url, { waitUntil: 'load' });
  return { context, page, problems };
}

// One browser for a test file, started before its tests and closed after them; the function
// returned opens a page in it as openPage does. After each test the pages it opened must have
// had no problems, and are closed.
export function pagesInOneBrowser() {
  let browser;
  let opened = [];
  before(async () => {
    browser = await launchBrowser();
  });
  afterEach(async () => {
    const pages = opened.splice(0);
    for (const { context } of pages) {
      await context.close();
    }
    for (const { file, problems } of pages) {
      assert.deepEqual(problems, [], file);
    }
  });
  after(async () => {
    await browser?.close();
  });
  return async (file, options) => {
    const page = await openPage(browser, file, options);
    opened.push({ file, ...page });
    return page;
  };
}

export async function posted(page) {
  return page.evaluate(() => window.__posted.slice());
}

// The messages posted since the last call.
export async function takePosted(page) {
  return page.evaluate(() => window.__posted.splice(0));
}

const axeSource = readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');

// Serious and critical findings of axe-core, as short lines.
export async function seriousViolations(page) {
  await page.evaluate(axeSource);
  const result = await page.evaluate(() => window.axe.run(document, { resultTypes: ['violations'], preload: false }));
  return result.violations
    .filter((v) => v.impact === 'serious' || v.impact === 'critical')
    .map((v) => v.id + ': ' + v.nodes.map((n) => n.target.join(' ')).join(', '));
}

// Visible controls and panels that are cut off: outside the viewport, or beyond the visible
// box of an ancestor that clips without scrolling, or beyond the scrollable area of one that
// scrolls. A scrolling box inside another may reach past the window: scrolling brings it in.
export async function clippedControls(page) {
  return page.evaluate(() => {
    const selector = 'button, input, select, textarea, a[href], [role="switch"], [tabindex="0"], section';
    const problems = [];
    const vw = document.documentElement.clientWidth;
    const vh = document.documentElement.clientHeight;
    const describe = (el) => el.id || el.getAttribute('aria-label') || el.textContent.trim().slice(0, 30) || el.tagName;
    if (document.documentElement.scrollWidth > vw + 1) {
      problems.push('the page scrolls sideways: ' + document.documentElement.scrollWidth + ' > ' + vw);
    }
    for (const el of document.querySelectorAll(selector)) {
      const style = getComputedStyle(el);
      if (el.closest('[hidden]') || style.visibility === 'hidden' || el.getClientRects().length === 0) {
        continue;
      }
      const r = el.getBoundingClientRect();
      let scroller = null;
      for (let a = el.parentElement; a && a !== document.body; a = a.parentElement) {
        const s = getComputedStyle(a);
        const scrolls = /(auto|scroll)/.test(s.overflowY) || /(auto|scroll)/.test(s.overflowX);
        if (scrolls) {
          scroller = a;
          break;
        }
        if (s.overflowX !== 'visible' || s.overflowY !== 'visible') {
          const b = a.getBoundingClientRect();
          if (r.left < b.left - 1 || r.right > b.right + 1 || r.top < b.top - 1 || r.bottom > b.bottom + 1) {
            problems.push(describe(el) + ' is clipped by ' + (a.id || a.className));
          }
        }
      }
      if (r.left < -1 || r.right > vw + 1) {
        problems.push(describe(el) + ' lies outside the window sideways');
      }
      if (scroller) {
        const b = scroller.getBoundingClientRect();
        const top = b.top - scroller.scrollTop;
        if (r.left < b.left - 1 || r.right > b.right + 1 || r.top < top - 1 || r.bottom > top + scroller.scrollHeight + 1) {
          problems.push(describe(el) + ' lies outside its scrolling area');
        }
        const outer = (() => {
          for (let a = scroller.parentElement; a && a !== document.body; a = a.parentElement) {
            if (/(auto|scroll)/.test(getComputedStyle(a).overflowY)) {
              return a;
            }
          }
          return null;
        })();
        if (!outer && (b.bottom > vh + 1 || b.right > vw + 1)) {
          problems.push((scroller.id || scroller.className) + ' runs out of the window');
        }
      } else if (r.top < -1 || r.bottom > vh + 1) {
        problems.push(describe(el) + ' lies outside the window');
      }
    }
    return problems;
  });
}

export async function screenshot(page, name) {
  const dir = path.join(artefactDir(), 'pages');
  mkdirSync(dir, { recursive: true });
  await page.screenshot({ path: path.join(dir, name + '.png') });
}

// No control clipped, no serious accessibility finding; then the screenshot `name`.
export async function expectFits(page, name) {
  assert.deepEqual(await clippedControls(page), []);
  assert.deepEqual(await seriousViolations(page), []);
  await screenshot(page, name);
}

// Controls under the window's drag strip along the top (which takes the clicks there), but
// for a band at the right edge that the strip leaves to the page.
export async function controlsUnderDragStrip(page, stripHeight, freeRight = 0) {
  return page.evaluate(({ stripHeight, freeRight }) => {
    const limit = document.documentElement.clientWidth - freeRight;
    return Array.from(document.querySelectorAll('button, input, select, a[href], [tabindex="0"]'))
      .filter((el) => !el.closest('[hidden]') && el.getClientRects().length > 0)
      .filter((el) => {
        const r = el.getBoundingClientRect();
        return r.top < stripHeight && r.left < limit;
      })
      .map((el) => el.id || el.textContent.trim());
  }, { stripHeight, freeRight });
}
