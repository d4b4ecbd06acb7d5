# Unit tests of the logic against the fake platform, native on Linux.
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

add_executable(unit_tests
  tests/unit/FakePlatform.cpp
  tests/unit/TextTest.cpp
  tests/unit/FuncoesTest.cpp
  tests/unit/PrincipalTest.cpp
  tests/unit/SalvarDllsTest.cpp
  tests/unit/BtnOkClickTest.cpp
  tests/unit/PackedPictureTest.cpp
)
target_link_libraries(unit_tests PRIVATE veklogic GTest::gtest_main)
gtest_discover_tests(unit_tests)
