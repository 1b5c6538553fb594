function p(x) { print(x); print("\n"); }
// math
p(abs(-5) + " " + abs(-2.7) + " " + floor(2.7) + " " + ceil(2.1) + " " + sqrt(16) + " " + pow(2, 10) + " " + fabs(-1.5));
p((atan2(1, 0) > 1.57) + " " + (fabs(sin(PI)) < 0.001) + " " + cos(0) + " " + exp(0) + " " + log(1) + " " + log10(100));
p(typeof floor(2.7) + " " + typeof abs(1.5) + " " + (RAND_MAX > 0) + " " + PI);
srand(7); local r1 = rand(); srand(7); p((rand() == r1) + " " + (r1 >= 0 && r1 <= RAND_MAX));
try { sqrt("x"); } catch (e) p(e);
try { sqrt(); } catch (e) p(e);
// format
p(format("%s=%5.2f|%-3d|%04X", "pi", 3.14159, 7, 255));
p(format("%d;%5.2f;%x;%s;%%;%c", 42, 3.14159, 255, "ok", 66));
p(format("%d %x %o %e %g %5s|%-5s|", 3.9, -1, 8, 1.5, 0.0001, "ab", "cd"));
p(format("%+d % d %.3s", 5, 5, "abcdef"));
try { format("%d"); } catch (e) p(e);
try { format("%d", "x"); } catch (e) p(e);
try { format("%s", 1); } catch (e) p(e);
try { format("%f", "x"); } catch (e) p(e);
try { format("%q", 1); } catch (e) p(e);
try { format("%123d", 1); } catch (e) p(e);
// strip and split
p("[" + strip("  hi \t\n") + "][" + lstrip("  hi ") + "][" + rstrip(" hi  ") + "]");
local parts = split("a,b;c", ",;"); p(parts.len() + parts[2]);
parts = split("a,,b", ","); p(parts.len() + "[" + parts[1] + "]");
parts = split(",a,b,", ","); p(parts.len() + "[" + parts[0] + "]" + parts[2]);
try { split("abc", ""); } catch (e) p(e);
// regexp
local m = regexp("[0-9]+").search("ab123c"); p(m.begin + "," + m.end);
p(regexp("a+b").match("aab") + " " + regexp("a+b").match("aabc") + " " + regexp("a.*b").match("axxbxxb"));
p(regexp("^ab|cd$").search("xxcd").begin + " " + (regexp("x").search("abc") == null));
local caps = regexp("(\\w+)@(\\w+)(\\.com)?").capture("mail joe@host now");
p(caps.len() + " " + caps[1].begin + "-" + caps[1].end + " " + caps[2].begin + "-" + caps[2].end + " " + caps[3].begin + "-" + caps[3].end);
p(regexp("(a)(b)").subexpcount() + " " + regexp("\\d{2,3}").search("a1234").end + " " + regexp("[^a-c]").search("abcd").begin);
p(regexp("\\bcat").search("concat cat").begin + " " + regexp("\\s\\S").search("ab cd").begin + " " + regexp("a|b|c").match("b"));
try { regexp("[a-]"); } catch (e) p(e);
try { regexp(""); } catch (e) p("empty pattern refused");
try { regexp("(ab"); } catch (e) p("unbalanced refused");
p(typeof regexp("x") + " " + (regexp("x") instanceof regexp));
