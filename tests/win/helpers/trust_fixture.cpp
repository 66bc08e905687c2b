// A small program that the signature tests sign in several ways (and start
// while it is held open). It only ends with 0.
int wmain() { return 0; }
