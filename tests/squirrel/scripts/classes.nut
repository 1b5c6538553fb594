function p(x) { print(x); print("\n"); }
class Shape </ doc = "base shape" /> {
    name = "shape";
    static count = 0;
    </ unit = "px" /> width = 0;
    constructor(n) { name = n; Shape.count <- Shape.count + 1; }
    function area() { return 0; }
    function describe() { return name + " " + area(); }
    function _tostring() { return "Shape(" + name + ")"; }
}
class Square extends Shape {
    side = 1;
    constructor(s) { base.constructor("square"); side = s; }
    function area() { return side * side; }
}
local sq = Square(3);
p(sq.describe() + " " + sq + " " + Shape.count);
p((sq instanceof Shape) + " " + (sq instanceof Square) + " " + (Shape("x") instanceof Square));
p(Shape.getattributes(null).doc + " " + Shape.getattributes("width").unit + " " + Shape.getattributes("name"));
p((Square.getbase() == Shape) + " " + (Shape.getbase() == null) + " " + (sq.getclass() == Square));
// fields are per instance, defaults shared as is
class Bag { items = []; tag = 0; }
local b1 = Bag(), b2 = Bag();
b1.items.append(1); b1.tag = 5;
p(b2.items.len() + " " + b2.tag);
// writing a method through an instance or a missing member fails
try { sq.area = 1; } catch (e) p(e);
try { sq.nothing = 1; } catch (e) p(e);
try { sq.nothing <- 1; } catch (e) p("newslot refused");
// locked classes take methods but not fields
function Square::perimeter() { return side * 4; }
p(sq.perimeter());
try { Square.extra <- 1; } catch (e) p(e);
// instance() skips the constructor, clone copies fields
local raw = Square.instance();
p(raw.side + " " + raw.name);
local cp = clone sq; cp.side = 10;
p(sq.side + " " + cp.side + " " + cp.area());
// metamethods
class Vec {
    x = 0; y = 0;
    constructor(a, b) { x = a; y = b; }
    function _add(o) { return Vec(x + o.x, y + o.y); }
    function _sub(o) { return Vec(x - o.x, y - o.y); }
    function _mul(k) { return Vec(x * k, y * k); }
    function _unm() { return Vec(-x, -y); }
    function _cmp(o) { return (x + y) - (o.x + o.y); }
    function _tostring() { return "(" + x + "," + y + ")"; }
    function _get(k) { if (k == "sum") return x + y; throw null; }
    function _typeof() { return "Vec"; }
    function _call(self, k) { return x * k; }
}
local v = Vec(1, 2) + Vec(3, 4);
p(v + " " + (v - Vec(1, 1)) + " " + (v * 2) + " " + (-v) + " " + v.sum + " " + typeof v + " " + v(10));
p((Vec(1, 1) < Vec(2, 2)) + " " + (Vec(3, 3) > Vec(1, 1)));
try { v.missing; } catch (e) p(e);
// _inherited and _newmember
class Base {
    function _inherited(attrs) { ::inheritedLog <- "inherited " + (attrs == null ? "none" : attrs.k); }
}
class Derived extends Base </ k = "v" /> {}
p(::inheritedLog);
class Recorder {
    function _newmember(key, value, attrs, isstatic) { ::members <- (::members ? ::members : "") + key + ","; rawnewmember(key, value, attrs, isstatic); }
}
::members <- null;
class Rec2 extends Recorder { a = 1; function m() { return a; } }
p(::members + " " + Rec2().m());
// nested classes as static members
class Outer { static Inner = class { v = 7 }; function make() { return Inner(); } }
p(Outer().make().v + " " + Outer.Inner().v);
// foreach over a class lists its members
local names = [];
foreach (k, val in Square) names.append(k);
names.sort();
p(names.len() > 4);
// extends a non-class
try { local notc = 5; local X = class extends notc {}; } catch (e) p(e);
// class slot write
try { Shape.count = 3; } catch (e) p(e);
// declarations naming their target: the root table and nested tables
class ::GlobalClass { v = 7 }
p(::GlobalClass().v);
ns <- { sub = {} };
class ns.sub.Inner { v = 8 }
function ns::member() { return "member"; }
function ns::sub::deep() { return "deep"; }
function ::ns::sub::rooted() { return "rooted"; }
function ::rootFn() { return "root fn"; }
p(ns.member() + " " + ns.sub.deep() + " " + ns.sub.rooted() + " " + rootFn() + " " + ns.sub.Inner().v);
function makeGlobalClass() { class ::MadeInside { w = 9 } }
makeGlobalClass();
p(MadeInside().w);
