function p(x) { print(x); print("\n"); }
// generator methods see their instance; arguments and defaults work
class Tree {
    items = null;
    constructor(...) { items = vargv; }
    function each(step = 1) { for (local i = 0; i < items.len(); i += step) yield items[i]; }
}
local t = Tree(5, 6, 7, 8);
local out = "";
foreach (v in t.each()) out += v;
foreach (v in t.each(2)) out += "," + v;
p(out);
// generators are independent and keep their own locals
function counter(start) { local n = start; while (true) yield n++; }
local a = counter(10), b = counter(100);
resume a; resume a;
p((resume a) + " " + (resume b));
// a generator can yield from nested loops and try blocks
function nested() {
    for (local i = 0; i < 2; i++)
        foreach (c in ["x", "y"]) {
            try { yield i + c; } catch (e) {}
        }
}
local s = "";
foreach (v in nested()) s += v + " ";
p(s);
// breaking out of a foreach over a generator leaves it suspended
local g = counter(0);
foreach (i, v in g) if (v == 3) break;
p(g.getstatus() + " " + (resume g));
// a generator that throws dies and the error reaches the consumer
function failing() { yield 1; local x = null; x.y; }
local seen = [];
try { foreach (v in failing()) seen.append(v); } catch (e) p(seen.len() + " " + e);
// closures capture per-iteration foreach values through a body local
local fns = [];
foreach (v in [1, 2, 3]) { local copy = v; fns.append(@() copy * 10); }
p(fns[0]() + fns[1]() + fns[2]());
// a closure keeps a captured variable alive after its scope is gone
function make() { local secret = "kept"; return @() secret; }
local getter = make();
collectgarbage();
p(getter());
// two closures share one captured local
function pair() { local v = 0; return [@() ++v, @() v]; }
local fp = pair();
fp[0](); fp[0]();
p(fp[1]());
// closures created in a loop over a for variable share it
local shared = [];
for (local i = 0; i < 3; i++) shared.append(@() i);
p(shared[0]() + " " + shared[2]());
// functions as values: call through tables, arrays and returned closures
local ops = { add = @(x, y) x + y, mul = @(x, y) x * y };
local chain = [ops.add, ops.mul];
p(chain[0](2, 3) + chain[1](2, 3) + (function() { return function(z) { return z - 1; }; })()(10));
// varargs pass through acall
function sum(...) { local s = 0; foreach (v in vargv) s += v; return s; }
p(sum.acall([null, 1, 2, 3, 4]));
// a native called with this bound
local bound = print.bindenv({});
bound("bound native\n");
// loop variables are one variable for the whole loop; body locals are fresh
local seen = function(fs) { local s = ""; foreach (f in fs) s += f() + " "; return s; };
local fs = [];
foreach (i, v in [10, 20, 30]) fs.append(function() { return v; });
local ks = [];
foreach (k, v in [10, 20, 30]) ks.append(function() { return k; });
local copies = [];
foreach (v in [10, 20, 30]) { local c = v; copies.append(function() { return c; }); }
local chars = [];
foreach (ch in "xyz") chars.append(function() { return ch; });
function gen() { yield 1; yield 2; return 99; }
local gs = [];
foreach (g in gen()) gs.append(function() { return g; });
local tk = [];
foreach (k, v in {only = 5}) tk.append(function() { return k + v; });
p(seen(fs) + "| " + seen(ks) + "| " + seen(copies) + "| " + seen(chars) + "| " + seen(gs) + "| " + seen(tk));
