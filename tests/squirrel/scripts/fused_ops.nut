function p(x) { print(x); print("\n"); }
// Local arithmetic, indexing and stores done in one step must keep every
// case of the general operators: boxes of captured locals, mixed numbers,
// strings, metamethods, errors.
local a = 7, b = 3, s = 0;
s = a + b; p(s);
s = a - b; p(s);
s = a * b; p(s);
s += a; p(s);
s -= 1; p(s);
local f = 1.5;
f = f * 0.5; p(f);
f = a + f; p(f);
f = f - 0.25; p(f);
local big = 2147483647; big = big + b; p(big);
local str = "x"; str = str + a; p(str);
str += b; p(str);
// a captured local lives in a box: fused reads and writes go through it
local boxed = 10;
local get = function() { return boxed; };
boxed = boxed + a; p(get());
boxed += 1; p(get());
boxed = boxed * 0.5; p(get());
class V { x = 0; constructor(x_) { x = x_; } function _add(o) { return V(x + o.x); } function _sub(o) { return V(x - o.x); } }
local v1 = V(5), v2 = V(2), v3 = null;
v3 = v1 + v2; p(v3.x);
v3 = v1 - v2; p(v3.x);
try { s = a + null; } catch (e) p(e);
try { s = a * true; } catch (e) p(e);
p(s);
// indexing two locals
local arr = [10, 20, 30], i = 2, t = { k = "v" }, key = "k";
p(arr[i] + " " + t[key]);
try { local no = arr[b]; } catch (e) p(e);
try { local missing = "nope"; local no = t[missing]; } catch (e) p(e);
local text = "abc"; local ch = text[i]; p(ch);
// stores whose value is dropped
arr[0] = 5; t[key] = "w"; t.k2 <- 1; t.k2 = 2; p(arr[0] + " " + t.k + " " + t.k2);
local inst = V(1); inst.x = 9; p(inst.x);
// bitwise with a constant
p((i & 1) + " " + (i | 8) + " " + (i ^ 3) + " " + (i << 4) + " " + (-16 >> 2) + " " + (-16 >>> 28));
try { local bad = 1.5 & 1; } catch (e) p(e);
// loops tested at the bottom: counters up and down, limits in locals, floats,
// continue and break, a limit changed inside the body, a captured counter
local n = 0; for (local k = 0; k < 5; k++) n += k; p(n);
n = 0; for (local k = 10; k > 0; k--) n++; p(n);
local lim = 4; n = 0; for (local k = 0; k <= lim; k++) { if (k == 1) continue; if (k == 3) break; n += 10; } p(n);
n = 0; for (local k = 0.0; k < 2; k += 0.5) n++; p(n);
n = 0; for (local k = 0; k < lim; k++) { lim = 2; n++; } p(n);
local fns = []; for (local k = 0; k < 3; k++) fns.append(function() { return k; }); p(fns[0]());
n = 0; for (local k = 5; k < 3; k++) n++; p(n);
local w = 0; while (w < 6) { w += 2; if (w == 4) continue; } p(w);
n = 0; for (local k = "a"; k < "aaaa"; k += "a") n++; p(n);
n = 0; for (local k = 0.5; k < 3; k++) n++; p(n);
local flim = 2.5; n = 0; for (local k = 0; k < flim; k++) n++; p(n);
n = 0; for (local k = 2147483646; k > 0; k++) n++; p(n);
n = 0; for (local k = 3; k >= 0; k--) n += k; p(n);
// append runs in place on arrays; anything else goes to the library call
local ap = []; local r1 = ap.append(1); ap.push(ap); p(ap.len() + " " + r1 + " " + (ap[1] == ap));
try { ap.append(); } catch (e) p(e);
try { ap.append(1, 2); } catch (e) p(e);
local af = ap.append; try { af(3); } catch (e) p(e);
class Bag { items = null; constructor() { items = []; } function append(x) { items.append(x * 2); return items.len(); } }
local bag = Bag(); p(bag.append(4) + " " + bag.items[0]);
// integer results stored over a string, a captured limit, a captured operand
local over = "text"; over = a + b; p(over); over = "t"; over = a - 1; p(over);
local cap = 3; local capf = function() { return cap; }; n = 0; for (local k = 0; k < cap; k++) n++; p(n + " " + capf());
local boxk = 0; local boxf = function() { return boxk; }; if (boxk < 1) p("box below 1");
