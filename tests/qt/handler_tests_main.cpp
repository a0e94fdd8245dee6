#include "tests/qt/handler_test.h"
#include "tests/qt/window_fixture.h"

int main(int argc, char** argv) {
  animal_ids::testing::HandlerTest handlers;
  return animal_ids::testing::RunQtTests(argc, argv, {&handlers});
}
