#include "support/vector.h"

#include "support/vector_impl.h"

namespace vesko {
inline namespace version_1 {

template class vector<char>;
template class vector<char16_t>;
template bool operator==(vector<char> const&, vector<char> const&);
template bool operator==(vector<char16_t> const&, vector<char16_t> const&);

}  // namespace version_1
}  // namespace vesko
