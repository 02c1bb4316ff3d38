#include "model/app_state.h"

AppStateBlock AppState = {};
