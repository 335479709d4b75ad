"""disc-check's reading of the programs' signatures (the checker itself is disc_check.cpp)."""
