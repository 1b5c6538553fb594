// The runner passes its extra arguments in vargv and reports uncaught errors.
print(vargv.len() + " " + vargv[1] + "\n");
function broken() { local n = null; return n.field; }
broken();
