// Golden result texts, exactly as a client receives them.
#pragma once

#include <string>

namespace vesk_test {

const std::string kToolsListResult =
    R"~({"tools":[{"annotations":{"destructiveHint":false,"idempotentHint":false,"openWorldHint")~"
    R"~(:false,"readOnlyHint":false,"title":"Save a story seed"},"description":"Save a short not)~"
    R"~(e about work worth telling colleagues about, as a story seed in the vesk desktop app on )~"
    R"~(this Mac. Use it near the end of a session when something real happened (a problem solve)~"
    R"~(d, a result, something learned). Nothing leaves the Mac: the member reviews, edits and a)~"
    R"~(pproves the seed in vesk → Story sources before anything is shared. Write plainly and fa)~"
    R"~(ctually; never include secrets, credentials, customer personal data or file paths. Text )~"
    R"~(over a limit is refused, not cut.","inputSchema":{"additionalProperties":false,"properti)~"
    R"~(es":{"open_questions":{"description":"Things only the member can answer (e.g. the result)~"
    R"~( in numbers). Optional.","items":{"maxLength":200,"minLength":1,"type":"string"},"maxIte)~"
    R"~(ms":5,"type":"array"},"title":{"description":"A short headline for the story.","maxLengt)~"
    R"~(h":120,"minLength":1,"type":"string"},"what_happened":{"description":"What was done, in )~"
    R"~(plain words — the facts, not the code.","maxLength":2000,"minLength":1,"type":"string"},)~"
    R"~("why_it_mattered":{"description":"Who it helped or what changed because of it. Optional.)~"
    R"~(","maxLength":1000,"type":"string"}},"required":["title","what_happened"],"type":"object)~"
    R"~("},"name":"save_story_seed","title":"Save a story seed"}]})~";

const std::string kPromptsListResult =
    R"~({"prompts":[{"arguments":[],"description":"Ask the agent to write this session's work as)~"
    R"~( a story seed (the problem, what you did, a decision, the result) for vesk → Story sourc)~"
    R"~(es.","name":"story-seed","title":"Save this work as a story seed"}]})~";

const std::string kPromptsGetResult =
    R"~({"description":"Save this work as a story seed","messages":[{"content":{"text":"Save the)~"
    R"~( work from this session as a story seed for vesk, so I can tell my team about it.\n\nLoo)~"
    R"~(k back over this session and the repository (the pull request and its description, the i)~"
    R"~(ssue it closes, my commits) and call the `save_story_seed` tool once:\n\n- `title`: a pl)~"
    R"~(ain headline of a few words saying what changed, not the branch name (at most 120 charac)~"
    R"~(ters).\n- `what_happened` (at most 2000 characters), four short paragraphs in my voice ()~"
    R"~(\"I\"):\n  1. The problem: what was wrong or missing, and for whom.\n  2. What I did: th)~"
    R"~(e approach, in plain words a colleague outside the code can follow.\n  3. One decision: )~"
    R"~(a choice or trade-off I made, and why.\n  4. The result: what is true now, with the evid)~"
    R"~(ence you saw (the PR number, merged or deployed, a before-and-after you measured).\n- `w)~"
    R"~(hy_it_mattered` (at most 1000 characters): who it helps and what they can do now that th)~"
    R"~(ey couldn't before.\n- `open_questions` (up to 5): what only I can answer, such as the i)~"
    R"~(mpact in numbers or who noticed.\n\nRules: use only facts from this session and the repo)~"
    R"~(sitory. Never invent a number, date, name or result; if you don't know it, ask it as an )~"
    R"~(open question. Leave out code, file paths, secrets, credentials and customer personal da)~"
    R"~(ta. Nothing leaves my Mac until I review it in vesk → Story sources.","type":"text"},"ro)~"
    R"~(le":"user"}]})~";

const std::string kInitializeResultHead =
    R"~({"capabilities":{"prompts":{"listChanged":false},"tools":{"listChanged":false}},"instruc)~"
    R"~(tions":"vesk-stories saves story seeds on this Mac for the vesk desktop app. When a work)~"
    R"~( session produced something worth telling colleagues about (a problem solved, a result, )~"
    R"~(something learned), call save_story_seed once near the end with a short title and what h)~"
    R"~(appened. Nothing leaves this Mac: the member reviews, edits and approves every seed in v)~"
    R"~(esk → Story sources first. Never include secrets, credentials, customer personal data or)~"
    R"~( file paths.","protocolVersion":)~";

const std::string kInitializeResultTail =
    R"~(,"serverInfo":{"name":"vesk-desktop-mcp","title":"vesk Stories","version":"1.0.0"}})~";

}  // namespace vesk_test
