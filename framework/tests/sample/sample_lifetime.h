// What the lifetime tests read back through the sample control's members.
#pragma once

namespace sample_lifetime {

// Sample objects deleted while one of their own calls or window messages was running.
inline int deletedTooEarly = 0;
// The next control constructor throws.
inline bool failNextCreation = false;

}  // namespace sample_lifetime
