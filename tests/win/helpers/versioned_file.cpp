// An installed file with a known file version (from its version resource),
// for the target tests. It is only read, never run.
int wmain() { return 0; }
