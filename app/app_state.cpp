#include "app/app_state.h"

AppStateBlock AppState = {};
