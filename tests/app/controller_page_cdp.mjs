// Attaches to lumenor's own web engine over its remote-debugging port (raw DevTools
// protocol: playwright's connectOverCDP refuses an engine this old) and waits until the
// controller page shows what it should.
//   node controller_page_cdp.mjs PORT DISPLAY_NAME
// Prints one JSON line with what the page showed; exits 0 when it showed DISPLAY_NAME in its
// display list and the calibration pattern as active, 1 when it did not within 20 s.
import WebSocket from 'ws';

const [port, displayName] = process.argv.slice(2);
const deadline = Date.now() + 20000;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function controllerTarget() {
  while (Date.now() < deadline) {
    try {
      const targets = await (await fetch(`http://127.0.0.1:${port}/json`)).json();
      const page = targets.find((t) => t.type === 'page' && t.url.endsWith('/controller.html'));
      if (page) {
        return page;
      }
    } catch {
      // The engine is not listening yet.
    }
    await sleep(100);
  }
  throw new Error('no controller page among the debugging targets');
}

function connect(url) {
  return new Promise((resolve, reject) => {
    const socket = new WebSocket(url);
    let nextId = 1;
    const waiting = new Map();
    socket.on('message', (data) => {
      const message = JSON.parse(data.toString());
      waiting.get(message.id)?.(message);
      waiting.delete(message.id);
    });
    socket.on('error', reject);
    socket.on('open', () =>
      resolve({
        evaluate(expression) {
          const id = nextId++;
          socket.send(JSON.stringify({ id, method: 'Runtime.evaluate', params: { expression, returnByValue: true } }));
          return new Promise((done) => waiting.set(id, (m) => done(m.result?.result?.value)));
        },
        close: () => socket.close(),
      }),
    );
  });
}

const state = `JSON.stringify({
  loaded: document.readyState === 'complete',
  displays: document.getElementById('display-list')?.textContent ?? '',
  calibration: document.querySelector('.pattern[data-pattern="calibration"]')?.getAttribute('aria-pressed') === 'true',
})`;

const target = await controllerTarget();
const page = await connect(target.webSocketDebuggerUrl);
let seen = {};
while (Date.now() < deadline) {
  seen = JSON.parse((await page.evaluate(state)) ?? '{}');
  if (seen.loaded && seen.calibration && seen.displays.includes(displayName)) {
    break;
  }
  await sleep(100);
}
page.close();
console.log(JSON.stringify({ url: target.url, ...seen }));
process.exit(seen.loaded && seen.calibration && seen.displays?.includes(displayName) ? 0 : 1);
