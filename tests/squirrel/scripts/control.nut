function p(x) { print(x); print("\n"); }
// generators
function gen(n) { for (local i = 1; i <= n; i++) yield i; return "done"; }
local g = gen(2);
p(typeof g + " " + g.getstatus());
p(resume g); p(resume g); p(resume g);
p(g.getstatus());
try { resume g; } catch (e) p(e);
local s = "";
foreach (i, v in gen(3)) s += i + ":" + v + " ";
p(s);
function genThrows() { yield 1; throw "inside"; }
local gt = genThrows();
resume gt;
try { resume gt; } catch (e) p(e + " " + gt.getstatus());
function selfResume() { yield resume ::running; }
::running <- selfResume();
try { resume ::running; } catch (e) p(e);
try { resume 5; } catch (e) p(e);
// generator keeps locals and try blocks across yields
function guarded() { try { yield 1; throw "late"; } catch (e) { yield "caught " + e; } }
local gg = guarded();
p(resume gg); p(resume gg);
// switch with fallthrough, default, strings and continue
local out = "";
foreach (k in [1, 2, 3, "s", 9]) {
    switch (k) {
    case 1: out += "a";
    case 2: out += "b"; break;
    case "s": out += "S"; continue;
    case 3: out += "c"; break;
    default: out += "d";
    }
    out += ".";
}
p(out);
// loops, break and continue through nested blocks
local acc = [];
for (local i = 0; i < 10; i++) {
    if (i % 2) continue;
    { local tmp = i * 10; if (tmp > 60) break; acc.append(tmp); }
}
p(acc.len() + " " + acc[3]);
local w = 0; do { w++; } while (w < 5); p(w);
local wh = 10; while (wh > 0) { wh -= 3; if (wh < 3) break; } p(wh);
// nested try: an inner catch rethrows to the outer
try { try { throw "one"; } catch (e) { throw e + "+two"; } } catch (e) p(e);
// any value can be thrown
try { throw { code = 5 }; } catch (e) p(e.code);
try { throw null; } catch (e) p(e == null);
// break inside try inside a loop keeps the trap stack balanced
for (local i = 0; i < 3; i++) { try { if (i == 1) break; } catch (e) {} }
try { throw "after"; } catch (e) p(e);
// const and enum are substituted at compile time
const LIMIT = 100; const NAME = "nm"; const HALF = 0.5; const NEG = -1;
enum Color { Red, Green, Blue }
enum Fixed { A = 10, B = "bee" }
p(LIMIT * 2 + Color.Blue + " " + NAME + " " + HALF + " " + NEG + " " + Fixed.A + Fixed.B);
local ct = getconsttable();
p(ct.LIMIT + " " + ct.Color.Green);
p(compilestring("return LIMIT + Color.Green")());
// conditional expressions and logical results
p((1 ? "y" : "n") + (0 ? "y" : "n") + (null || 0 || "last") + (1 && "b"));
