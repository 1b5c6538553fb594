function p(x) { print(x); print("\n"); }
// integers wrap, divide toward zero, shifts mask their count
p((2147483647 + 1) + " " + (-2147483648 - 1) + " " + (65536 * 65536) + " " + (-(-2147483648)));
p((-2147483648 / -1) + " " + (-2147483648 % -1) + " " + (1 << 33) + " " + (0xFFFFFFFF) + " " + 0753);
local z = 0;
try { 1 / z; } catch (e) p(e);
try { 1 % z; } catch (e) p(e);
try { local m = 5; m %= z; } catch (e) p(e);
// floats are single precision and print with %g
p((1.0 / 3) + " " + 123456.0 + " " + 1234567.0 + " " + 0.00001 + " " + (0.1 + 0.2) + " " + 1e6 + " " + 1.5e-3 + " " + (-0.0));
p((3.7).tointeger() + " " + (-3.7).tointeger() + " " + (5).tofloat() + " " + (7 % 2.5) + " " + (1.0 / 0 > 1e30));
p((0.0 == -0.0) + " " + (1 == 1.0) + " " + ((0.0 <=> -0.0) > 0) + " " + (2 < 2.5));
p(true.tointeger() + " " + false.tofloat() + " " + true.tostring());
// operator errors name the operator and the types
try { local r = {} * 2; } catch (e) p(e);
try { local r = true + 1; } catch (e) p(e);
try { local r = 1.5 & 1; } catch (e) p(e);
try { local r = ~1.5; } catch (e) p(e);
try { local r = -"s"; } catch (e) p(e);
try { local r = 1 < "x"; } catch (e) p(e);
try { local r = {} instanceof 5; } catch (e) p(e);
try { local n = null; n(); } catch (e) p(e);
try { local n = 5; n.x <- 1; } catch (e) p(e);
try { local n = 5; n.x = 1; } catch (e) p(e);
try { undeclared = 1; } catch (e) p(e);
try { print(undeclaredRead); } catch (e) p(e);
try { local q = clone 5; p(q); } catch (e) p(e);
try { foreach (x in 5) {} } catch (e) p(e);
try { assert(0); } catch (e) p(e);
try { null.tostring(); } catch (e) p(e);
try { delete {}.nope; } catch (e) p(e);
try { local key = "k".slice(0, 1); local long = "0123456789012345678901234567890123456789012345678901234567890"; ({})[long]; } catch (e) p(e);
// typeof/type and the comparison of mixed values
p(typeof null + " " + type(regexp("a")) + " " + typeof regexp("a") + " " + typeof (1).weakref());
p((null < 1) + " " + (1 > null) + " " + (false < true));
// compile errors from compilestring are thrown with the message
try { compilestring("local x = ;"); } catch (e) p(typeof e);
try { compilestring("x = \"unterminated"); } catch (e) p(e);
try { compilestring("local a = 1 local b = 2"); } catch (e) p(e);
try { compilestring("break;"); } catch (e) p(e);
try { compilestring("enum E { A } local x = E.B;"); } catch (e) p(e);
try { compilestring("local s = \"\\q\";"); } catch (e) p(e);
try { compilestring("local n = 018;"); } catch (e) p(e);
p(compilestring("return 09")() + " " + compilestring("return 'a'")());
// getstackinfos
function where() { local info = getstackinfos(2); return info.func + ":" + info.line + ":" + ("marker" in info.locals); }
function caller() { local marker = 1; local r = where(); return r; }
p(caller());
p(getstackinfos(100) == null);
// versions
p(_version_ + " " + _versionnumber_ + " " + _charsize_ + _intsize_ + _floatsize_);
