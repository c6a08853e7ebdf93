// The built server (VESK_BINARY) in sessions held by real MCP clients: what
// their schemas reject, a coding agent rejects too. The details of each answer
// are left to the server's own tests.
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { promisify } from 'node:util';
import { Client as ModernClient } from '@modelcontextprotocol/client';
import { StdioClientTransport as ModernTransport } from '@modelcontextprotocol/client/stdio';
import { Client } from '@modelcontextprotocol/sdk/client/index.js';
import { StdioClientTransport } from '@modelcontextprotocol/sdk/client/stdio.js';

const binary = process.env.VESK_BINARY;
const SAVED = {
  content: [{ type: 'text', text: 'Saved on this Mac. Review it in vesk → Story sources.' }],
  isError: false,
};
const QUEUE = '01JBQ7ZK3V9W2X4Y5Z6A7B8C9D/01JBQ80000000000000000000A';

// A scratch HOME as the desktop app leaves it once saving is switched on.
// agents() reads every file in the queue, so a stray one fails the test.
function scratchHome(t) {
  const home = mkdtempSync(path.join(tmpdir(), 'vesk-interop-'));
  t.after(() => rmSync(home, { recursive: true, force: true }));
  const dataDir = path.join(home, 'Library', 'Application Support', 'team.vesk.desktop');
  mkdirSync(dataDir, { recursive: true });
  writeFileSync(path.join(dataDir, 'stories-sources.enabled'), QUEUE);
  const queue = path.join(dataDir, 'story-seeds', QUEUE);
  const read = (name) => JSON.parse(readFileSync(path.join(queue, name), 'utf8'));
  return { home, agents: () => readdirSync(queue).map((name) => read(name).agent) };
}

test('a session of the official SDK client', async (t) => {
  const { home, agents } = scratchHome(t);
  const transport = new StdioClientTransport({ command: binary, env: { HOME: home } });
  let negotiated;
  transport.setProtocolVersion = (version) => (negotiated = version);
  const client = new Client({ name: 'Claude Code', version: '2.0.0' });
  await client.connect(transport);
  // The SDK never tells how its child ended, so watch the process itself.
  const exited = new Promise((resolve) => transport._process.once('exit', (...end) => resolve(end)));

  // The client proposes a newer version than the server knows; both settle on the server's latest.
  assert.equal(negotiated, '2025-06-18');
  assert.deepEqual((await client.listTools()).tools.map((tool) => tool.name), ['save_story_seed']);
  assert.deepEqual((await client.listPrompts()).prompts.map((prompt) => prompt.name), ['story-seed']);
  await client.getPrompt({ name: 'story-seed' }); // its schema checks the answer
  const args = { title: 'Cut the nightly import from 40 to 6 minutes', what_happened: 'Writes are batched now.' };
  assert.deepEqual(await client.callTool({ name: 'save_story_seed', arguments: args }), SAVED);
  assert.deepEqual(agents(), ['claude-code']);

  // The transport sends SIGTERM two seconds after closing standard input, so
  // a clean status also proves the server left on its own.
  await client.close();
  assert.deepEqual(await exited, [0, null]);
});

test('a tools/call from the Inspector command line', async (t) => {
  const { home, agents } = scratchHome(t);
  const args = ['--cli', binary, '--method', 'tools/call', '--tool-name', 'save_story_seed'];
  args.push('--tool-arg', 'title=Tried the server from the Inspector');
  args.push('--tool-arg', 'what_happened=Saved one seed from the command line.');
  const env = { ...process.env, HOME: home };
  const { stdout } = await promisify(execFile)('node_modules/.bin/mcp-inspector', args, { env, timeout: 60000 });
  assert.deepEqual(JSON.parse(stdout), SAVED);
  assert.deepEqual(agents(), ['unknown']); // "inspector" names no known agent
});

// The 2.x client in auto mode probes with server/discover; answered, it holds
// the whole session in the stateless revision, naming itself in every _meta.
test('a session of the 2.x SDK client, which picks the modern era', async (t) => {
  const { home, agents } = scratchHome(t);
  const client = new ModernClient({ name: 'claude-code', version: '2.1.328' }, { versionNegotiation: { mode: 'auto' } });
  await client.connect(new ModernTransport({ command: binary, env: { HOME: home } }));
  t.after(() => client.close());
  assert.deepEqual([client.getProtocolEra(), client.getNegotiatedProtocolVersion()], ['modern', '2026-07-28']);
  assert.deepEqual((await client.listTools()).tools.map((tool) => tool.name), ['save_story_seed']);
  assert.deepEqual((await client.listPrompts()).prompts.map((prompt) => prompt.name), ['story-seed']);
  assert.equal((await client.getPrompt({ name: 'story-seed' })).messages.length, 1);
  const args = { title: 'Batched the nightly import', what_happened: 'It now ends in 6 minutes, not 40.' };
  const { content, isError } = await client.callTool({ name: 'save_story_seed', arguments: args });
  assert.deepEqual({ content, isError }, SAVED);
  assert.deepEqual(agents(), ['claude-code']);
});
