/* Only its icons matter. */
int vantrel_test_icons(void) { return 0; }
