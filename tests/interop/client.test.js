// Sessions driven by the official MCP client, the way the coding agents
// connect: whatever its schemas reject, a real agent rejects too.
import assert from 'node:assert/strict';
import { after, before, describe, it } from 'node:test';
import { Client } from '@modelcontextprotocol/sdk/client/index.js';
import { StdioClientTransport } from '@modelcontextprotocol/sdk/client/stdio.js';
import { LATEST_PROTOCOL_VERSION, McpError } from '@modelcontextprotocol/sdk/types.js';
import { SAVED_TEXT, SEED_KEYS, assertFreshTimestamp, makeHome, readQueue, serverBinary } from './helpers.js';

const SERVER_VERSIONS = ['2025-06-18', '2025-03-26', '2024-11-05'];

const INSTRUCTIONS =
  'vesk-stories saves story seeds on this Mac for the vesk desktop app. When a work session produced something ' +
  'worth telling colleagues about (a problem solved, a result, something learned), call save_story_seed once near ' +
  'the end with a short title and what happened. Nothing leaves this Mac: the member reviews, edits and approves ' +
  'every seed in vesk → Story sources first. Never include secrets, credentials, customer personal data or file paths.';

const TOO_LONG_TITLE =
  '`title` is longer than 120 characters. Shorten it and save again — nothing was cut or saved.';

async function openSession(clientName, home) {
  const transport = new StdioClientTransport({
    command: serverBinary(),
    env: { HOME: home },
    stderr: 'pipe',
  });
  const session = { transport, stderr: '', proposed: undefined, negotiated: undefined };
  transport.stderr.setEncoding('utf8').on('data', (chunk) => (session.stderr += chunk));
  session.stderrEnded = new Promise((resolve) => transport.stderr.once('end', resolve));

  // The stdio transport keeps the protocol exchange to itself; these two
  // hooks show what the client proposed and what it settled on.
  const send = transport.send.bind(transport);
  transport.send = (message) => {
    if (message.method === 'initialize') session.proposed = message.params.protocolVersion;
    return send(message);
  };
  transport.setProtocolVersion = (version) => (session.negotiated = version);

  session.client = new Client({ name: clientName, version: '1.0.0' });
  await session.client.connect(transport);

  // The SDK never reports how its child ended, so watch the process itself.
  const child = transport._process;
  assert.ok(child && child.pid === transport.pid, 'cannot see the server process behind the stdio transport');
  session.exited = new Promise((resolve) => child.once('exit', (code, signal) => resolve({ code, signal })));
  return session;
}

const sessions = [
  { clientName: 'Claude Code', agent: 'claude-code' },
  { clientName: 'codex-mcp-client', agent: 'codex' },
];

for (const { clientName, agent } of sessions) {
  describe(`a session of "${clientName}"`, { timeout: 30000 }, () => {
    let scratch;
    let session;

    before(async () => {
      scratch = makeHome();
      session = await openSession(clientName, scratch.home);
    });

    after(async () => {
      await session?.client.close();
      scratch.remove();
    });

    it('settles on a protocol version both sides support', () => {
      assert.equal(session.proposed, LATEST_PROTOCOL_VERSION);
      const expected = SERVER_VERSIONS.includes(LATEST_PROTOCOL_VERSION) ? LATEST_PROTOCOL_VERSION : '2025-06-18';
      assert.equal(session.negotiated, expected);
    });

    it('introduces the server', () => {
      const { client } = session;
      assert.deepEqual(client.getServerVersion(), { name: 'vesk-desktop-mcp', title: 'vesk Stories', version: '1.0.0' });
      assert.equal(client.getInstructions(), INSTRUCTIONS);
      assert.deepEqual(client.getServerCapabilities(), {
        prompts: { listChanged: false },
        tools: { listChanged: false },
      });
    });

    it('lists the one tool', async () => {
      const { tools, nextCursor } = await session.client.listTools();
      assert.equal(nextCursor, undefined);
      assert.equal(tools.length, 1);
      const [tool] = tools;
      assert.equal(tool.name, 'save_story_seed');
      assert.equal(tool.title, 'Save a story seed');
      assert.match(tool.description, /approves the seed in vesk → Story sources/);
      assert.deepEqual(tool.inputSchema.required, ['title', 'what_happened']);
      assert.equal(tool.inputSchema.additionalProperties, false);
      assert.equal(tool.inputSchema.properties.title.maxLength, 120);
      assert.equal(tool.inputSchema.properties.open_questions.maxItems, 5);
      assert.equal(tool.annotations.readOnlyHint, false);
      assert.equal(tool.annotations.openWorldHint, false);
    });

    it('lists and hands out the story-seed prompt', async () => {
      const { prompts } = await session.client.listPrompts();
      assert.deepEqual(
        prompts.map((p) => [p.name, p.title, p.arguments]),
        [['story-seed', 'Save this work as a story seed', []]],
      );

      const prompt = await session.client.getPrompt({ name: 'story-seed' });
      assert.equal(prompt.description, 'Save this work as a story seed');
      assert.equal(prompt.messages.length, 1);
      const [message] = prompt.messages;
      assert.equal(message.role, 'user');
      assert.equal(message.content.type, 'text');
      assert.ok(message.content.text.startsWith('Save the work from this session as a story seed for vesk,'));
      assert.ok(message.content.text.endsWith('until I review it in vesk → Story sources.'));
      assert.equal([...message.content.text].length, 1293);
      assert.equal(message.content.text.split('\n').length, 14);
    });

    it('answers ping', async () => {
      assert.deepEqual(await session.client.ping(), {});
    });

    it('saves a seed stamped with the agent', async () => {
      const result = await session.client.callTool({
        name: 'save_story_seed',
        arguments: {
          title: '  Cut the nightly import from 40 to 6 minutes ',
          what_happened: 'The nightly import wrote row by row. I batched the writes and it now finishes in 6 minutes.',
          open_questions: ['Who noticed first?', '   '],
        },
      });
      assert.deepEqual(result, { content: [{ type: 'text', text: SAVED_TEXT }], isError: false });

      const queue = readQueue(scratch.queueDir);
      assert.equal(queue.length, 1);
      const [{ name, seed }] = queue;
      assert.match(name, /^[0-7][0-9A-HJKMNP-TV-Z]{25}\.json$/);
      assert.deepEqual(Object.keys(seed), SEED_KEYS);
      assertFreshTimestamp(assert, seed.created_at);
      assert.deepEqual(seed, {
        version: 1,
        title: 'Cut the nightly import from 40 to 6 minutes',
        what_happened: 'The nightly import wrote row by row. I batched the writes and it now finishes in 6 minutes.',
        why_it_mattered: '',
        open_questions: ['Who noticed first?'],
        created_at: seed.created_at,
        agent,
      });
    });

    it('refuses an over-long title and writes nothing', async () => {
      const result = await session.client.callTool({
        name: 'save_story_seed',
        arguments: { title: 'T'.repeat(121), what_happened: 'Something real happened.' },
      });
      assert.deepEqual(result, { content: [{ type: 'text', text: TOO_LONG_TITLE }], isError: true });
      assert.equal(readQueue(scratch.queueDir).length, 1);
    });

    it('reports an unknown tool as a protocol error', async () => {
      await assert.rejects(session.client.callTool({ name: 'save_story', arguments: {} }), (error) => {
        assert.ok(error instanceof McpError, `not an McpError: ${error}`);
        assert.equal(error.code, -32602);
        assert.match(error.message, /: Unknown tool: save_story$/);
        return true;
      });
    });

    it('ends at once with status 0 when the client closes', async () => {
      await session.client.close();
      // The transport sends SIGTERM two seconds after closing stdin, so a
      // clean status also proves the server left on its own, promptly.
      assert.deepEqual(await session.exited, { code: 0, signal: null });
      await session.stderrEnded;
      assert.deepEqual(session.stderr.trimEnd().split('\n'), [
        'vesk-desktop-mcp: ready',
        `vesk-desktop-mcp: initialize agent=${agent}`,
        'vesk-desktop-mcp: save_story_seed outcome=saved queued=1',
        'vesk-desktop-mcp: save_story_seed outcome=invalid reason=too_long',
        'vesk-desktop-mcp: unknown_tool',
        'vesk-desktop-mcp: closed',
      ]);
    });
  });
}
