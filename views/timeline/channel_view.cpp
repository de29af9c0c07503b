// The channel base class: the empty box band.
#include "views/timeline/channel_view.h"

CPhonarcChannelView::CPhonarcChannelView(const TimelineState* v)
    : view(v), windowSize(v ? v->spectralWindow : kSpectralWindow), stream(v ? v->stream : nullptr) {}

void CPhonarcChannelView::Draw(COffscreenDib&, const BandRect&) {}
bool CPhonarcChannelView::OnSetCursor(int, int) { return false; }
bool CPhonarcChannelView::OnLButtonDown(int, int, uint32_t) { return false; }
void CPhonarcChannelView::OnMouseMove(int, int, uint32_t) {}
void CPhonarcChannelView::OnLButtonUp(int, int, uint32_t) {}
bool CPhonarcChannelView::OnContextMenu(int, int) { return false; }
