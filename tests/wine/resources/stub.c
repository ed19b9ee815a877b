/* The code of the test binaries: they exist only to carry (or lack) a version resource. */
int VersionTestStub(void) { return 0; }
