#pragma once
// How the tree sorters of an index build choose their buckets: by the first key byte
// (httsDefault), or by that many bits of the key hash, of which MaxBitsInHashCode are kept.

enum class TXbHashTypeForTreeSorters { httsDefault, htts1, htts2, htts4, htts8, htts16 };
enum class TXbMaxBitsInHashCode { mbhc8, mbhc16, mbhc24, mbhc32 };
