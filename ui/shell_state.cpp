#include "ui/shell_state.h"

ShellState shell;
