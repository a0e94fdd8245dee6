#include "tests/qt/program_test.h"
#include "tests/qt/window_fixture.h"

int main(int argc, char** argv) {
  animal_ids::testing::ProgramTest program;
  return animal_ids::testing::RunQtTests(argc, argv, {&program});
}
