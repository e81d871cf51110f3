// Runs script in lumenor's own pages over its web engine's remote-debugging port (the raw
// DevTools protocol: playwright's connectOverCDP refuses an engine this old).
//   node page_driver.mjs PORT
// Reads one JSON request a line on standard input and answers each with one JSON line:
//   {"id": 1, "page": "controller.html", "expr": "..."} -> {"id": 1, "ok": true, "value": ...}
//   {"id": 2, "list": true}                              -> {"id": 2, "ok": true, "value": [urls]}
// A page is named by its file; "ok" is false while no such page is open.
import { createInterface } from 'node:readline';
import WebSocket from 'ws';

const port = process.argv[2];
const sessions = new Map();

async function targets() {
  try {
    const list = await (await fetch(`http://127.0.0.1:${port}/json`)).json();
    return list.filter((t) => t.type === 'page');
  } catch {
    return [];  // the engine is not listening yet, or no longer
  }
}

function fileOf(url) {
  return new URL(url).pathname.split('/').pop();
}

function open(target) {
  return new Promise((resolve, reject) => {
    const socket = new WebSocket(target.webSocketDebuggerUrl);
    const waiting = new Map();
    let nextId = 1;
    const session = {
      id: target.id,
      call(method, params) {
        const id = nextId++;
        socket.send(JSON.stringify({ id, method, params }));
        return new Promise((done) => waiting.set(id, done));
      },
    };
    socket.on('message', (data) => {
      const message = JSON.parse(data.toString());
      waiting.get(message.id)?.(message);
      waiting.delete(message.id);
    });
    socket.on('close', () => {
      for (const done of waiting.values()) {
        done({ error: { message: 'page closed' } });
      }
      for (const [page, s] of sessions) {
        if (s === session) {
          sessions.delete(page);
        }
      }
    });
    socket.on('error', reject);
    socket.on('open', () => resolve(session));
  });
}

async function session(page) {
  const found = (await targets()).find((t) => fileOf(t.url) === page);
  const known = sessions.get(page);
  if (known && found && known.id === found.id) {
    return known;
  }
  sessions.delete(page);
  if (!found) {
    return null;
  }
  const fresh = await open(found);
  sessions.set(page, fresh);
  return fresh;
}

async function answer(request) {
  if (request.list) {
    return { ok: true, value: (await targets()).map((t) => t.url) };
  }
  const s = await session(request.page);
  if (!s) {
    return { ok: false, error: `no page ${request.page}` };
  }
  const reply = await s.call('Runtime.evaluate', {
    expression: request.expr,
    returnByValue: true,
    awaitPromise: true,
  });
  if (reply.error || reply.result?.exceptionDetails) {
    const details = reply.result?.exceptionDetails;
    return { ok: false, error: reply.error?.message ?? details?.exception?.description ?? details?.text };
  }
  return { ok: true, value: reply.result?.result?.value ?? null };
}

const input = createInterface({ input: process.stdin });
input.on('line', async (line) => {
  const request = JSON.parse(line);
  let reply;
  try {
    reply = await answer(request);
  } catch (error) {
    reply = { ok: false, error: String(error) };
  }
  process.stdout.write(JSON.stringify({ id: request.id, ...reply }) + '\n');
});
input.on('close', () => process.exit(0));
