function p(x) { print(x); print("\n"); }
// hostile inputs end in catchable errors and leave the machine usable
local deep = ""; for (local i = 0; i < 1000; i++) deep += "(";
try { compilestring("return " + deep); } catch (e) p(e);
local blocks = ""; for (local i = 0; i < 1000; i++) blocks += "{";
try { compilestring(blocks); } catch (e) p(e);
try { array(1 << 30); } catch (e) p(e);
try { [].resize(1 << 30); } catch (e) p(e);
try { local s = "x"; for (local i = 0; i < 40; i++) s = s + s; } catch (e) p(e);
local long = ""; for (local i = 0; i < 6000; i++) long += "ab";
p(regexp("(ab)*$").search(long).end);
p(regexp("(ab)*$").search("xabab").begin);
p(regexp("a[b]*").search("xxabbb").end);
p(regexp("(a|b)*c").match(long) + " " + regexp("(a|b)*").match(long) + " " + regexp("(?:a(b))+").capture(long)[1].begin);
// patterns that backtrack exponentially elsewhere stay quick; too much work is an error
local as = ""; for (local i = 0; i < 40; i++) as += "a";
p(regexp("(a|a)*c|a*b").match(as + "b") + " " + regexp("(a|a)*c|a*b").match(as));
local many = ""; for (local i = 0; i < 5000; i++) many += "a?";
try { regexp("(?:" + many + ")c").search(long); } catch (e) p(e);
try { regexp("(a|b){100}{100}{100}"); } catch (e) p(e);
local nest = ""; for (local i = 0; i < 300; i++) nest += "(";
try { regexp(nest + "a"); } catch (e) p(e);
// deep script recursion is limited by memory, not a small count
function countDown(n) { return n == 0 ? 0 : 1 + countDown(n - 1); }
p(countDown(1000000));
function deepRec(n) { return deepRec(n + 1) + 1; }
try { deepRec(0); } catch (e) p(e);
local t = {}; t.me <- t; t = null;
local chain = null; for (local i = 0; i < 200000; i++) chain = [chain];
chain = null;
p(collectgarbage() >= 1);
try { compilestring("local s = \"\\xZZ\""); } catch (e) p(e);
try { compilestring("/* open comment"); } catch (e) p(e);
try { compilestring("local c = '';"); } catch (e) p(e);
try { compilestring("local h = 0x123456789;"); } catch (e) p(e);
p("still running");
