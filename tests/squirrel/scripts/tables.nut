function p(x) { print(x); print("\n"); }
// literal forms
local t = { a = 1, [10] = "ten", "json": true, function f(x) { return x * 2; } b = 2 };
p(t.a + " " + t[10] + " " + t.json + " " + t.f(4) + " " + t.b + " " + t.len());
// integer and float keys are distinct; strings compare by content
local k = {}; k[1] <- "int"; k[1.0] <- "float"; k["a" + "b"] <- "str";
p(k[1] + " " + k[1.0] + " " + k.ab + " " + k.len());
// null keys
try { k[null]; } catch (e) p(e);
k[null] = 5;
try { k[null] <- 5; } catch (e) p(e);
// delegation: lookup, _get with throw null, _set, _newslot, _delslot
local proto = { function hi() { return "hi " + name; }, shared = "S" };
local obj = { name = "t" }.setdelegate(proto);
p(obj.hi() + " " + obj.shared + " " + (obj.getdelegate() == proto) + " " + ("shared" in obj));
obj.shared = "changed";
p(proto.shared + " " + obj.rawin("shared"));
local log = [];
local meta = {
    function _get(key) { if (key == "magic") return 42; throw null; }
    function _set(key, val) { log.append("set " + key); }
    function _newslot(key, val) { log.append("newslot " + key); rawset(key, val * 10); }
    function _delslot(key) { log.append("del " + key); return "gone"; }
};
local m = {}.setdelegate(meta);
p(m.magic);
try { m.other; } catch (e) p(e);
m.x = 1; m.y <- 2; p(delete m.y);
p(log.len() + " " + log[0] + "," + log[1] + "," + log[2] + " " + m.y);
// a slot named like a default method shadows it
local shadow = { len = @() "mine" };
p(shadow.len());
// raw access ignores delegates
p(obj.rawget("name") + " " + (obj.rawdelete("missing") == null));
try { obj.rawget("hi"); } catch (e) p("rawget missing");
// clone keeps the delegate and calls _cloned
local cmeta = { function _cloned(orig) { ::clonedFrom <- orig.id; } };
local src = { id = 9 }.setdelegate(cmeta);
local cp = clone src;
p(::clonedFrom + " " + (cp.getdelegate() == cmeta) + " " + cp.id);
// foreach over a table sees each slot once
local sum = 0, count = 0;
foreach (key, val in { a = 1, b = 2, c = 3 }) { sum += val; count++; }
p(sum + " " + count);
// deleting while iterating does not crash
local big = {};
for (local i = 0; i < 50; i++) big[i] <- i;
foreach (key, val in big) if (key % 2) delete big[key];
p(big.len());
// clear and tostring
big.clear(); p(big.len() + " " + (typeof big.tostring()));
// ::globals and this
::glob <- 1;
function readGlobal() { return glob + ::glob; }
p(readGlobal());
local env = { glob = 100 };
p(readGlobal.call(env));
// _call on a table
local callable = {}.setdelegate({ function _call(self, a, b) { return a + b; } });
p(callable(2, 3));
// _nexti on instances drives foreach
class Range { n = 0; constructor(k) { n = k; } function _nexti(prev) { local nx = prev == null ? 0 : prev + 1; return nx < n ? nx : null; } function _get(i) { return i * i; } }
local sq = [];
foreach (i, v in Range(4)) sq.append(v);
p(sq.len() + " " + sq[3]);
// built-in methods are found before the delegate's _get, which sees only unknown keys
local asked = [];
local logger = { function _get(k) { asked.append(k); throw null; } };
local lt = { x = 1 }.setdelegate(logger);
lt.rawset("y", 2);
p(lt.rawget("y") + " " + lt.len() + " " + (typeof lt.tostring()) + " " + lt.rawin("x"));
try { lt.missing; } catch (e) p(e);
class Logged { function _get(k) { asked.append(k); throw null; } }
p(typeof Logged().getclass());
p(asked.len() + " " + asked[0]);
