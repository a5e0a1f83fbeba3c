#include "Decimator.h"

#include "FirDesign.h"

#include <algorithm>

ComplexDecimator::ComplexDecimator(std::vector<float> taps, int factor)
    : reversed_(taps.rbegin(), taps.rend()), factor_(factor),
      re_(taps.size() - 1, 0.0f), im_(taps.size() - 1, 0.0f)
{
}

size_t ComplexDecimator::process(std::span<const Complex> in, std::span<Complex> out)
{
    const size_t history = reversed_.size() - 1;
    re_.resize(history + in.size());
    im_.resize(history + in.size());
    for (size_t n = 0; n < in.size(); ++n) {
        re_[history + n] = in[n].real();
        im_[history + n] = in[n].imag();
    }
    size_t written = 0;
    size_t n = static_cast<size_t>(skip_);
    for (; n < in.size(); n += static_cast<size_t>(factor_)) {
        // The window ending at input n starts `history` samples earlier.
        out[written++] = Complex(Dot(reversed_.data(), re_.data() + n, reversed_.size()),
                                 Dot(reversed_.data(), im_.data() + n, reversed_.size()));
    }
    skip_ = static_cast<int>(n - in.size());
    std::copy(re_.end() - static_cast<ptrdiff_t>(history), re_.end(), re_.begin());
    std::copy(im_.end() - static_cast<ptrdiff_t>(history), im_.end(), im_.begin());
    re_.resize(history);
    im_.resize(history);
    return written;
}

RationalResampler::RationalResampler(const std::vector<float>& prototype, int up, int down)
    : up_(up), down_(down),
      branchLength_((prototype.size() + static_cast<size_t>(up) - 1) / static_cast<size_t>(up)),
      branches_(static_cast<size_t>(up), std::vector<float>(branchLength_, 0.0f)),
      work_(branchLength_ - 1, 0.0f)
{
    // Branch p holds taps p, p+up, p+2up...; the upsampler's zeros would
    // take the gain down by `up`, so it is put back here.
    for (size_t i = 0; i < prototype.size(); ++i) {
        const size_t branch = i % static_cast<size_t>(up);
        const size_t tap = i / static_cast<size_t>(up);
        branches_[branch][branchLength_ - 1 - tap] = prototype[i] * static_cast<float>(up);
    }
}

size_t RationalResampler::maxOutput(size_t inputs) const
{
    return inputs * static_cast<size_t>(up_) / static_cast<size_t>(down_) + 1;
}

size_t RationalResampler::process(std::span<const float> in, std::span<float> out)
{
    const size_t history = branchLength_ - 1;
    work_.resize(history);
    work_.insert(work_.end(), in.begin(), in.end());
    const size_t up = static_cast<size_t>(up_);
    const size_t end = in.size() * up;
    size_t written = 0;
    for (; position_ < end; position_ += static_cast<size_t>(down_)) {
        const size_t newest = position_ / up;
        const std::vector<float>& branch = branches_[position_ % up];
        out[written++] = Dot(branch.data(), work_.data() + newest, branchLength_);
    }
    position_ -= end;
    std::copy(work_.end() - static_cast<ptrdiff_t>(history), work_.end(), work_.begin());
    work_.resize(history);
    return written;
}
