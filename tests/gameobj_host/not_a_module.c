/* A shared library that is no game-object module: it lacks the lookups. */
int not_a_module(void) { return 1; }
