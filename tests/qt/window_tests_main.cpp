#include "tests/qt/control_ops_test.h"
#include "tests/qt/layout_test.h"
#include "tests/qt/look_test.h"
#include "tests/qt/window_fixture.h"

int main(int argc, char** argv) {
  animal_ids::testing::WindowLayoutTest layout;
  animal_ids::testing::ControlOpsTest operations;
  animal_ids::testing::SkinTest skin;
  animal_ids::testing::HyperlinkTest hyperlink;
  return animal_ids::testing::RunQtTests(argc, argv, {&layout, &operations, &skin, &hyperlink});
}
