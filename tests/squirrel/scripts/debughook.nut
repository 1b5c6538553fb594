function p(x) { print(x); print("\n"); }
local events = [];
function hook(evt, src, line, fname) { if (fname != "hook") events.append(evt.tochar() + ":" + fname + ":" + line + ":" + src); }
enabledebuginfo(true);
local code = compilestring("function a(x) {\n  return x + 1;\n}\na(1);\n", "dbg");
enabledebuginfo(false);
local plain = compilestring("local q = 1;\nq++;\n", "plain");
setdebughook(hook);
code();
plain();
setdebughook(null);
code();
local calls = 0, returns = 0, lines = {};
foreach (e in events) {
    if (e[0] == 'c') calls++;
    if (e[0] == 'r') returns++;
    if (e[0] == 'l') lines[e.slice(2)] <- true;
}
// call and return events pair up; line events only for code compiled with debug info
p(calls + " " + returns + " " + ("a:2:dbg" in lines) + " " + ("main:4:dbg" in lines) + " " + ("main:2:plain" in lines));
