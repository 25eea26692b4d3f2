#include "model/types4kvo.h"
