#pragma once
// The test programs, the tour and the benchmark clear the notes of the Wine prefix they
// run in. They run only in a prefix that the project's scripts made to be thrown away,
// which these scripts mark with a file a person's prefix never has.

namespace test {

// True in a marked prefix; otherwise prints one line saying why nothing runs.
bool InThrowawayPrefix();

}  // namespace test
