// The built server (VESK_BINARY) in one session of each real MCP client: what
// their schemas reject, a coding agent rejects too. The bytes of each answer
// are the transcripts' to pin.
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
const SAVED = { content: [{ type: 'text', text: 'Saved on this Mac. Review it in vesk → Story sources.' }], isError: false };
const ARGS = { title: 'Batched the nightly import', what_happened: 'It now ends in 6 minutes, not 40.' };

// A scratch HOME with saving switched on; agents() reads every seed saved there.
function scratchHome(t) {
  const home = mkdtempSync(path.join(tmpdir(), 'vesk-interop-'));
  t.after(() => rmSync(home, { recursive: true, force: true }));
  const dataDir = path.join(home, 'Library', 'Application Support', 'team.vesk.desktop');
  const key = '01JBQ7ZK3V9W2X4Y5Z6A7B8C9D/01JBQ80000000000000000000A';
  mkdirSync(dataDir, { recursive: true });
  writeFileSync(path.join(dataDir, 'stories-sources.enabled'), key);
  const queue = path.join(dataDir, 'story-seeds', key);
  return { home, agents: () => readdirSync(queue).map((name) => JSON.parse(readFileSync(path.join(queue, name))).agent) };
}

// Lists, gets the prompt (the client's schemas check each answer) and saves.
async function session(client, agents, agent) {
  assert.deepEqual((await client.listTools()).tools.map((tool) => tool.name), ['save_story_seed']);
  assert.deepEqual((await client.listPrompts()).prompts.map((prompt) => prompt.name), ['story-seed']);
  await client.getPrompt({ name: 'story-seed' });
  const { content, isError } = await client.callTool({ name: 'save_story_seed', arguments: ARGS });
  assert.deepEqual({ content, isError }, SAVED);
  assert.deepEqual(agents(), [agent]);
}

test('a session of the official SDK client, settling on the latest legacy version', async (t) => {
  const { home, agents } = scratchHome(t);
  const transport = new StdioClientTransport({ command: binary, env: { HOME: home } });
  let negotiated; // it proposes a version newer than the server knows
  transport.setProtocolVersion = (version) => (negotiated = version);
  const client = new Client({ name: 'Claude Code', version: '2.0.0' });
  await client.connect(transport);
  t.after(() => client.close());
  assert.equal(negotiated, '2025-06-18');
  await session(client, agents, 'claude-code');
});

test('a session of the 2.x SDK client, which picks the modern era', async (t) => {
  const { home, agents } = scratchHome(t);
  const client = new ModernClient({ name: 'claude-code', version: '2.1.328' }, { versionNegotiation: { mode: 'auto' } });
  await client.connect(new ModernTransport({ command: binary, env: { HOME: home } }));
  t.after(() => client.close());
  assert.deepEqual([client.getProtocolEra(), client.getNegotiatedProtocolVersion()], ['modern', '2026-07-28']);
  await session(client, agents, 'claude-code');
});

test('a tools/call from the Inspector command line', async (t) => {
  const { home, agents } = scratchHome(t);
  const args = ['--cli', binary, '--method', 'tools/call', '--tool-name', 'save_story_seed'];
  for (const [name, value] of Object.entries(ARGS)) args.push('--tool-arg', `${name}=${value}`);
  const env = { ...process.env, HOME: home };
  const { stdout } = await promisify(execFile)('node_modules/.bin/mcp-inspector', args, { env, timeout: 60000 });
  assert.deepEqual(JSON.parse(stdout), SAVED);
  assert.deepEqual(agents(), ['unknown']); // "inspector" names no known agent
});
