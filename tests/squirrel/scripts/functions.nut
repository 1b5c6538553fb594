function p(x) { print(x); print("\n"); }
// defaults are evaluated once, when the function is created
local n = 1;
local f = function(a, b = n * 10, c = "c") { return a + ":" + b + ":" + c; };
n = 2;
p(f(1) + " " + f(1, 2) + " " + f(1, 2, 3));
try { f(); } catch (e) p(e);
try { f(1, 2, 3, 4); } catch (e) p(e);
// varargs
function va(a, ...) { local s = a; foreach (x in vargv) s += x; return s + "/" + vargv.len(); }
p(va(1) + " " + va(1, 2, 3));
// closures share captured variables
function counter() { local c = 0; return { inc = function() { return ++c; }, get = @() c }; }
local c1 = counter(), c2 = counter();
c1.inc(); c1.inc(); c2.inc();
p(c1.get() + " " + c2.get());
// a body-local captured in a loop is fresh each iteration
local fs = [];
for (local i = 0; i < 3; i++) { local j = i; fs.append(@() j); }
p(fs[0]() + "" + fs[1]() + fs[2]());
// nested capture through two levels
function outer() { local v = "o"; return function() { return function() { v += "!"; return v; }; }; }
local inner = outer()();
inner(); p(inner());
// recursion through a captured local
local fact = null;
fact = function(k) { return k <= 1 ? 1 : k * fact(k - 1); };
p(fact(10));
// deep tail recursion does not grow the frame stack
function loop(k, acc) { if (k == 0) return acc; return loop(k - 1, acc + 1); }
p(loop(100000, 0));
// runaway recursion is a catchable error and the machine keeps working
function down(k) { return 1 + down(k + 1); }
try { down(0); } catch (e) p(e);
p(fact(5));
// call, pcall, acall, pacall and this
local obj = { name = "obj", function who(s) { return name + s; } };
p(obj.who.call({ name = "other" }, "!") + " " + obj.who.acall([{ name = "arr" }, "?"]) + " " + obj.who.pcall(obj, "."));
// function info
local infos = f.getinfos();
p(infos.parameters.len() + " " + infos.parameters[0] + " " + infos.defparams.len() + " " + infos.varargs);
// lambdas and comma expressions
local sq = @(q) q * q;
local k = 0;
local r = (k = 2, sq(k) + 1);
p(r);
// callee and named functions in reports
function named() { return callee(); }
p(named() == named);
// an explicit this.x that `this` lacks is read from the root table, like a bare x
name <- "root";
function who(g) { return g + " " + this.name; }
p(who.call({}, "hi") + " " + who.call({ name = "own" }, "hi"));
try { (function() { return this.nowhere; }).call({}); } catch (e) p(e);
// call and acall raise: an error leaving them runs the handler, then the script catches it
local got = [];
seterrorhandler(function(e) { got.append(e); });
local thrower = function() { throw "y"; };
try { thrower.call(this); } catch (e) got.append("caught " + e);
try { thrower.acall([this]); } catch (e) got.append("caught " + e);
try { thrower.pcall(this); } catch (e) got.append("caught " + e);
try { thrower.pacall([this]); } catch (e) got.append("caught " + e);
try { throw "plain"; } catch (e) got.append("caught " + e);
seterrorhandler(null);
foreach (g in got) p(g);
