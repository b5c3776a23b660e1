// The program entry: the whole run is start-up on the console streams.
#include <iostream>

#include "run/run.h"

int main(int argc, char** argv) { return start_up(argc, argv, std::cin, std::cout, std::cerr); }
