// Some clients feel a server out with a method of their own before they
// initialise. The server must turn it down straight away, not wait for more
// input, and then serve the session as if nothing had happened.
import assert from 'node:assert/strict';
import { after, before, describe, it } from 'node:test';
import { RawSession, SAVED_TEXT, makeHome, readQueue } from './helpers.js';

describe('a client that probes before it initialises', { timeout: 30000 }, () => {
  let scratch;
  let session;

  before(() => {
    scratch = makeHome();
    session = new RawSession(scratch.home);
  });

  after(() => {
    session.kill();
    scratch.remove();
  });

  it('gets "Method not found" for the probe alone', async () => {
    session.send({ jsonrpc: '2.0', id: 0, method: 'server/discover' });
    assert.equal(await session.nextLine(), '{"error":{"code":-32601,"message":"Method not found"},"id":0,"jsonrpc":"2.0"}');
  });

  it('then completes a normal session', async () => {
    const init = await session.request(1, 'initialize', {
      protocolVersion: '2025-03-26',
      capabilities: {},
      clientInfo: { name: 'codex-mcp-client', version: '0.40.0' },
    });
    assert.equal(init.result.protocolVersion, '2025-03-26');
    assert.equal(init.result.serverInfo.name, 'vesk-desktop-mcp');

    // A notification is never answered: the next line must be the answer to 2.
    session.send({ jsonrpc: '2.0', method: 'notifications/initialized' });
    const tools = await session.request(2, 'tools/list');
    assert.deepEqual(tools.result.tools.map((t) => t.name), ['save_story_seed']);

    const call = await session.request(3, 'tools/call', {
      name: 'save_story_seed',
      arguments: { title: 'Probed, then saved', what_happened: 'The client probed first and saved afterwards.' },
    });
    assert.deepEqual(call.result, { content: [{ text: SAVED_TEXT, type: 'text' }], isError: false });

    assert.deepEqual(await session.end(), { code: 0, signal: null });
    assert.deepEqual(readQueue(scratch.queueDir).map((entry) => entry.seed.agent), ['codex']);
  });
});
