// A small shared library that the loader tests open.
extern "C" {

int plexar_test_add(int a, int b) {
  return a + b;
}

const char* plexar_test_name() {
  return "plexar test library";
}

int plexar_test_counter = 7;
}
