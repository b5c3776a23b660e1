// The home of the console's one state record, which every part of the
// console reads and none owns.
#include "console/console_state.h"

ConsoleState& console() {
  static ConsoleState state;
  return state;
}
