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
try { regexp("(ab)*$").search(long); } catch (e) p(e);
p(regexp("(ab)*$").search("xabab").begin);
p(regexp("a[b]*").search("xxabbb").end);
try { regexp("(a|b)*c").match(long); } catch (e) p(e);
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
