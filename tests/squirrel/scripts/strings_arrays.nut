function p(x) { print(x); print("\n"); }
// strings
local s = "hello";
p(s.len() + " " + s.slice(1, 3) + " " + s.slice(-3) + " " + s.find("l") + " " + s.find("l", 3) + " " + s.find("z"));
p("MiXeD".toupper() + "MiXeD".tolower() + "ab"[1] + " " + "a\0b".len());
p("abc".slice() + " " + [1, 2, 3].slice().len());
try { "abc".slice(2, 1); } catch (e) p(e);
try { "abc".slice(5); } catch (e) p(e);
try { "abc".slice(0, 9); } catch (e) p(e);
try { "abc"[3]; } catch (e) p(e);
p("\xe9"[0] + " " + "\x41" + " " + @"a""b\n" + " " + '\n');
local bytes = 0; foreach (i, c in "AB") bytes += c * (i + 1); p(bytes);
p("12".tointeger() + 1 + " " + "3.9".tointeger() + " " + "12".tofloat() + " " + "-7".tointeger() + " " + "1e3".tointeger());
try { "abc".tointeger(); } catch (e) p(e);
// the number at the start of the text is read, the rest ignored; beyond 32 bits it saturates
p("12abc".tointeger() + " " + "0x1A".tointeger() + " " + "1e".tofloat() + " " + "12  ".tointeger() + " " + ".5".tointeger() + " " + "1.5x".tointeger());
foreach (t in ["abc", "", "--1"]) try { t.tointeger(); } catch (e) p("[" + t + "] " + e);
p("99999999999".tointeger() + " " + "-99999999999".tointeger() + " " + "1e20".tointeger() + " " + " 7 ".tointeger());
try { "".tofloat(); } catch (e) p(e);
p((65).tochar() + (66.7).tochar() + " " + (0).tochar().len());
// arrays
local a = [1]; a.append(2); a.push(3); a.insert(0, 0);
p(a.len() + ":" + a[0] + a[3] + ":" + a.remove(1) + a.pop() + a.len() + ":" + a.top());
try { [].pop(); } catch (e) p(e);
try { [].top(); } catch (e) p(e);
try { a.insert(9, 1); } catch (e) p(e);
try { a.remove(9); } catch (e) p(e);
try { a[5] = 1; } catch (e) p(e);
try { array(-1); } catch (e) p(e);
local r = [1, 2, 3]; r.resize(5, "x"); p(r.len() + " " + r[4]); r.resize(1); p(r.len());
local e = [1, 2]; e.extend([3, 4]); e.reverse(); p(e[0] + "" + e[3]);
local g = []; for (local i = 0; i < 9; i++) g.insert(0, i); g.remove(4); g.extend(g); g.resize(10); g.insert(10, "end");
p(g.len() + " " + g[0] + g[3] + g[4] + g[7] + g[8] + g[9] + g[10]);
p([5, 6, 7].find(7) + " " + [5].find(9) + " " + [1].find(1.0) + " " + [1, 2, 3, 4, 5].slice(1, -1).len() + " " + array(3, 0)[2]);
local srt = [3, 1, 2, 10, -4]; srt.sort(); p(srt[0] + "," + srt[1] + "," + srt[4]);
local srt2 = ["b", "c", "a"]; srt2.sort(@(x, y) y <=> x); p(srt2[0] + srt2[1] + srt2[2]);
try { [1, "a"].sort(); } catch (e) p(e.find("comparison between") == 0);
try { [1, 2].sort(@(x, y) "no"); } catch (e) p("comparator must return a number");
p([1, 2, 3].map(@(x) x * 2)[2] + " " + [1, 2, 3, 4].filter(@(i, v) v % 2 == 0).len() + " " + [1, 2, 3].reduce(@(p, c) p + c) + " " + [].reduce(@(p, c) p) + " " + [7].reduce(@(p, c) 0));
local ap = [1, 2]; ap.apply(@(x) x + 10); p(ap[0] + ap[1]);
local big = []; for (local i = 0; i < 1000; i++) big.append(1000 - i); big.sort(); p(big[0] + " " + big[999]);
try { [1].map(@(x) x.nothing); } catch (e) p(e);
p(("" + [1]).slice(0, 8) + " " + typeof [].tostring());
// a string built piece by piece is the same string however it is made
local built = ""; for (local i = 0; i < 2000; i++) built += "xy";
local whole = built + "zz";
local keyed = {}; keyed[whole.slice(0, built.len())] <- 1;
p((whole.slice(0, built.len()) == built) + " " + (built in keyed) + " " + ("xy" + "z" == "xyz"));
