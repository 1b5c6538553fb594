function p(x) { print(x); print("\n"); }
// weak references die with their target
local t = {}; local a = [1]; t.w <- a.weakref();
p(t.w[0] + " " + typeof t.w);
a = null;
p(typeof t.w);
local target = { v = 1 };
local w = target.weakref();
p(typeof w + " " + w.ref().v + " " + (w.weakref() == w));
target = null;
p(w.ref());
p((5).weakref() + " " + ((2.5).weakref() == 2.5));
// weak references in arrays read through
local obj = {};
local arr = [obj.weakref()];
p(typeof arr[0]);
obj = null;
p(arr[0]);
// cycles are freed only by the collector
collectgarbage();
local c1 = {}, c2 = {};
c1.other <- c2; c2.other <- c1;
local wc = c1.weakref();
c1 = null; c2 = null;
p(typeof wc.ref());
p(collectgarbage() > 0);
p(wc.ref());
p(collectgarbage());
// a closure capturing itself is a cycle too
local wf;
{
    local self = null;
    self = function() { return self; };
    wf = self.weakref();
}
collectgarbage();
p(wf.ref());
// an instance in a cycle with its class's static is collected
class Node { next = null; }
local n1 = Node(), n2 = Node();
n1.next = n2; n2.next = n1;
local wn = n1.weakref();
n1 = null; n2 = null;
collectgarbage();
p(wn.ref());
// reachable cycles survive
::keep <- {};
::keep.me <- ::keep;
collectgarbage();
p(::keep.me == ::keep);
// bindenv holds its environment weakly
local env = { v = 3 };
local bound = (function() { return this == null ? "gone" : v; }).bindenv(env);
p(bound());
env = null;
p(bound());
