// Smoke test with the MCP Inspector's command-line mode, the tool people reach
// for first when a server misbehaves. Each run is one whole client session.
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';
import { fileURLToPath } from 'node:url';
import { promisify } from 'node:util';
import { SAVED_TEXT, makeHome, readQueue, serverBinary } from './helpers.js';

const here = path.dirname(fileURLToPath(import.meta.url));
const inspectorBin = path.join(here, 'node_modules', '.bin', 'mcp-inspector');

async function inspect(home, ...args) {
  const { stdout } = await promisify(execFile)(inspectorBin, ['--cli', serverBinary(), ...args], {
    cwd: here,
    env: { ...process.env, HOME: home },
    timeout: 30000,
  });
  return JSON.parse(stdout);
}

describe('the MCP Inspector in CLI mode', { timeout: 90000 }, () => {
  let scratch;

  before(() => {
    scratch = makeHome();
  });

  after(() => scratch.remove());

  it('lists the tool', async () => {
    const { tools } = await inspect(scratch.home, '--method', 'tools/list');
    assert.deepEqual(tools.map((t) => t.name), ['save_story_seed']);
  });

  it('lists the prompt', async () => {
    const { prompts } = await inspect(scratch.home, '--method', 'prompts/list');
    assert.deepEqual(prompts.map((p) => p.name), ['story-seed']);
  });

  it('saves a seed', async () => {
    const result = await inspect(
      scratch.home,
      '--method', 'tools/call',
      '--tool-name', 'save_story_seed',
      '--tool-arg', 'title=Tried the server from the Inspector',
      '--tool-arg', 'what_happened=Listed the tool and saved one seed from the command line.',
    );
    assert.deepEqual(result, { content: [{ type: 'text', text: SAVED_TEXT }], isError: false });
    // The Inspector calls itself "inspector", which names no known agent.
    assert.deepEqual(readQueue(scratch.queueDir).map((entry) => entry.seed.agent), ['unknown']);
  });
});
