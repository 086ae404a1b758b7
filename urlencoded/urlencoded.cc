#include "urlencoded/urlencoded.h"
