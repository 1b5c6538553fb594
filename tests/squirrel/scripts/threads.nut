function p(x) { print(x); print("\n"); }
function co(a) { local x = suspend(a + 1); local y = suspend(x * 2); return "end " + y; }
local th = newthread(co);
p(typeof th + " " + th.getstatus());
p(th.call(1) + " " + th.getstatus());
p(th.wakeup(10));
p(th.wakeup("z") + " " + th.getstatus());
// the thread can be started again once idle
p(th.call(5));
local bad = newthread(function() { suspend(1); throw "in thread"; });
bad.call();
try { bad.wakeup(); } catch (e) p(e + " " + bad.getstatus());
try { suspend(1); } catch (e) p(e);
try { newthread(co).wakeup(); } catch (e) p(e);
// a suspended thread keeps its locals across collections
local keeper = newthread(function() { local t = { v = 9 }; t.self <- t; suspend(0); return t.v; });
keeper.call();
collectgarbage();
p(keeper.wakeup());
