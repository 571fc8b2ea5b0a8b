// Cloning of the bilevel coding options.
#include "raster/codecs/rst_coding_option.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

namespace {

template <class T>
RstCodingOption* clone_of(const T& option, const char* where)
{
    T* copy = rst_new<T>(option);
    if (!copy) rst_report(-1, where);
    return copy;
}

}  // namespace

RstCodingOption* RstMHOption::clone() const
{
    return clone_of(*this, "RstMHOption::clone()");
}

RstCodingOption* RstMROption::clone() const
{
    return clone_of(*this, "RstMROption::clone()");
}

RstCodingOption* RstMMROption::clone() const
{
    return clone_of(*this, "RstMMROption::clone()");
}
