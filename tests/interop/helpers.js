// What every interop test needs: the server under test, a scratch HOME laid
// out the way the desktop app leaves it, and a look at the seeds that landed.
import { spawn } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { createInterface } from 'node:readline';

export const QUEUE = { outer: '01JBQ7ZK3V9W2X4Y5Z6A7B8C9D', inner: '01JBQ80000000000000000000A' };

export const SAVED_TEXT = 'Saved on this Mac. Review it in vesk → Story sources.';

export const SEED_KEYS = ['version', 'title', 'what_happened', 'why_it_mattered', 'open_questions', 'created_at', 'agent'];

export function serverBinary() {
  const binary = process.env.VESK_BINARY;
  if (!binary) {
    throw new Error('Set VESK_BINARY to the built vesk-desktop-mcp (run.sh does this from its first argument).');
  }
  return path.resolve(binary);
}

// A fresh HOME whose data directory holds the enabled marker, as the desktop
// app writes it when the member switches Story sources on.
export function makeHome() {
  const home = mkdtempSync(path.join(tmpdir(), 'vesk-interop-'));
  const dataDir = path.join(home, 'Library', 'Application Support', 'team.vesk.desktop');
  mkdirSync(dataDir, { recursive: true, mode: 0o700 });
  writeFileSync(path.join(dataDir, 'stories-sources.enabled'), `${QUEUE.outer}/${QUEUE.inner}`);
  return {
    home,
    queueDir: path.join(dataDir, 'story-seeds', QUEUE.outer, QUEUE.inner),
    remove: () => rmSync(home, { recursive: true, force: true }),
  };
}

// Every entry of the queue directory, parsed, so that a stray file (a left-over
// ".tmp", a second seed) shows up as a failure rather than being skipped.
export function readQueue(queueDir) {
  if (!existsSync(queueDir)) return [];
  return readdirSync(queueDir)
    .sort()
    .map((name) => ({ name, seed: JSON.parse(readFileSync(path.join(queueDir, name), 'utf8')) }));
}

export function assertFreshTimestamp(assert, createdAt) {
  assert.match(createdAt, /^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$/);
  const ageMs = Date.now() - Date.parse(createdAt);
  assert.ok(ageMs >= -2000 && ageMs < 5 * 60 * 1000, `created_at ${createdAt} is not the time of the call`);
}

// A bare line-by-line session, for clients that do things the SDK never would.
export class RawSession {
  constructor(home) {
    this.child = spawn(serverBinary(), [], { env: { HOME: home }, stdio: ['pipe', 'pipe', 'pipe'] });
    this.stderr = '';
    this.child.stderr.setEncoding('utf8').on('data', (chunk) => (this.stderr += chunk));
    this.exited = new Promise((resolve) => this.child.once('exit', (code, signal) => resolve({ code, signal })));
    this.pending = [];
    this.waiting = [];
    createInterface({ input: this.child.stdout }).on('line', (line) => {
      const waiter = this.waiting.shift();
      if (waiter) waiter(line);
      else this.pending.push(line);
    });
  }

  send(message) {
    this.child.stdin.write(`${JSON.stringify(message)}\n`);
  }

  nextLine(timeoutMs = 2000) {
    if (this.pending.length > 0) return Promise.resolve(this.pending.shift());
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => {
        this.waiting.splice(this.waiting.indexOf(onLine), 1);
        reject(new Error(`no response line within ${timeoutMs} ms; stderr so far:\n${this.stderr}`));
      }, timeoutMs);
      const onLine = (line) => {
        clearTimeout(timer);
        resolve(line);
      };
      this.waiting.push(onLine);
    });
  }

  async request(id, method, params) {
    this.send({ jsonrpc: '2.0', id, method, ...(params === undefined ? {} : { params }) });
    const response = JSON.parse(await this.nextLine());
    if (response.id !== id) throw new Error(`expected the answer to request ${id}, got ${JSON.stringify(response)}`);
    return response;
  }

  end() {
    this.child.stdin.end();
    return this.exited;
  }

  kill() {
    if (this.child.exitCode === null && this.child.signalCode === null) this.child.kill('SIGKILL');
  }
}
