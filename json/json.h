// Streaming JSON validator.
#pragma once
