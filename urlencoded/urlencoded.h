// Form-urlencoded decoder.
#pragma once
