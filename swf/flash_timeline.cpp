// FTimeline: building from control tags, queries and edits by frame, and writing back.
#include "swf/flash_timeline.h"

#include <algorithm>
#include <set>

#include "swf/flash_control_tags.h"
#include "swf/flash_kept_tags.h"
#include "swf/flash_tag.h"

// ---- Stream sound ----

FTimelineStreamSound::FTimelineStreamSound(const FTimelineStreamSound& o) : format(o.format) {
    for (const auto& b : o.blocks) AddBlock(b.get());
}

FTimelineStreamSound& FTimelineStreamSound::operator=(const FTimelineStreamSound& o) {
    if (this != &o) {
        format = o.format;
        blocks.clear();
        for (const auto& b : o.blocks) AddBlock(b.get());
    }
    return *this;
}

void FTimelineStreamSound::AddBlock(const FlashTagSoundStreamBlock* block) {
    blocks.push_back(block ? std::make_unique<FlashTagSoundStreamBlock>(*block) : nullptr);
}

void FTimelineStreamSound::WriteBlock(flash_ostream& out, size_t index) const {
    if (index < blocks.size() && blocks[index]) blocks[index]->Write(out);
}

void FTimelineStreamSound::WriteHead(flash_ostream& out) const {
    FlashTagSoundStreamHead2 head;
    static_cast<CommonSoundStruct&>(head) = format;
    head.Write(out);
}

// ---- Timeline ----

FTimeline::FTimeline(const FTimeline& o)
    : FDefinedVisitor(o), frameCount(o.frameCount), elements(o.elements), frames(o.frames),
      backgroundColors(o.backgroundColors), keptTags(o.keptTags), streamSound(o.streamSound), streamStartFrame(o.streamStartFrame),
      frameCursor(nullptr), streamStarted(o.streamStarted), blockInFrame(o.blockInFrame) {}

FTimeline& FTimeline::operator=(const FTimeline& o) {
    if (this != &o) {
        frameCount = o.frameCount;
        elements = o.elements;
        frames = o.frames;
        backgroundColors = o.backgroundColors;
        keptTags = o.keptTags;
        streamSound = o.streamSound;
        streamStartFrame = o.streamStartFrame;
        frameCursor = nullptr;  // it pointed into the other timeline's records
        streamStarted = o.streamStarted;
        blockInFrame = o.blockInFrame;
    }
    return *this;
}

FTimeline::FTimeline(FTimeline&& o) noexcept : FDefinedVisitor(o) { *this = std::move(o); }

FTimeline& FTimeline::operator=(FTimeline&& o) noexcept {
    if (this != &o) {
        frameCount = o.frameCount;
        elements = std::move(o.elements);
        frames = std::move(o.frames);
        backgroundColors = std::move(o.backgroundColors);
        keptTags = std::move(o.keptTags);
        streamSound = std::move(o.streamSound);
        streamStartFrame = o.streamStartFrame;
        frameCursor = o.frameCursor;  // the records it points into came along
        streamStarted = o.streamStarted;
        blockInFrame = o.blockInFrame;
        o.Clear();
    }
    return *this;
}

FTimelineElement& FTimeline::ElementAt(uint16_t depth) {
    auto it = elements.find(depth);
    if (it == elements.end()) it = elements.emplace(depth, FTimelineElement(depth)).first;
    return it->second;
}

void FTimeline::VisitDoAction(FlashTagDoAction& tag) {
    auto it = frames.emplace(static_cast<uint32_t>(frameCount), FTimelineFrame(tag));
    frameCursor = &it->second;
}

void FTimeline::Reserved3(FlashTagSoundStreamBlock& tag) {
    if (!streamStarted) {
        streamStartFrame = frameCount;
        streamStarted = 1;
    }
    streamSound.AddBlock(&tag);
    blockInFrame = 1;
}

void FTimeline::VisitSoundStreamBlock(FlashTagSoundStreamBlock& tag) { Reserved3(tag); }

void FTimeline::VisitSoundStreamHead2(FlashTagSoundStreamHead2& tag) { streamSound.SetFormat(tag); }

void FTimeline::VisitSoundStreamHead(FlashTagSoundStreamHead& tag) { streamSound.SetFormat(tag); }

void FTimeline::VisitLabelFrame(FlashTagLabelFrame& tag) {
    if (frameCursor)
        frameCursor->label = tag;
    else
        frames.emplace(static_cast<uint32_t>(frameCount), FTimelineFrame(tag));
    frameCursor = nullptr;
}

void FTimeline::VisitBackgroundColor(FlashTagBackgroundColor& tag) {
    backgroundColors[static_cast<uint32_t>(frameCount)] = FlashRGBA(tag.red, tag.green, tag.blue, 255, 0);
}

void FTimeline::VisitShowFrame(FlashTagShowFrame&) {
    frameCursor = nullptr;
    if (streamStarted && !blockInFrame) streamSound.AddBlock(nullptr);
    ++frameCount;
    blockInFrame = 0;
}

void FTimeline::VisitPlaceObject2(FlashTagPlaceObject2& tag) { ElementAt(tag.depth).ApplyPlace(tag, frameCount); }

void FTimeline::VisitPlaceObject(FlashTagPlaceObject& tag) {
    FlashTagPlaceObject2 place(tag);
    VisitPlaceObject2(place);
}

// A depth the model has never seen was placed by a tag kept as read (such as PlaceObject3): its
// removal is kept in place too, or the written movie would never take that object away.
void FTimeline::VisitRemoveObject2(FlashTagRemoveObject2& tag) {
    auto it = elements.find(tag.depth);
    if (it != elements.end())
        it->second.ApplyRemove(frameCount);
    else
        VisitOtherTag(tag);
}

void FTimeline::VisitRemoveObject(FlashTagRemoveObject& tag) {
    auto it = elements.find(tag.depth);
    if (it != elements.end())
        it->second.ApplyRemove(frameCount);
    else
        VisitOtherTag(tag);
}

void FTimeline::VisitStartSound(FlashTagStartSound& tag) { VisitOtherTag(tag); }
void FTimeline::VisitImportAssets(FlashTagImportAssets& tag) { VisitOtherTag(tag); }
void FTimeline::VisitExportAssets(FlashTagExportAssets& tag) { VisitOtherTag(tag); }

void FTimeline::VisitOtherTag(FlashTag& tag) {
    keptTags.push_back({static_cast<uint32_t>(frameCount), std::shared_ptr<FlashTag>(tag.Clone())});
}

void FTimeline::GetDisplayList(int frame, std::vector<FDisplayRecord>& out) const {
    out.clear();
    for (const auto& [depth, element] : elements) {
        FDisplayRecord r;
        if (element.GetPlacedRecord(r, frame)) out.push_back(std::move(r));
    }
}

void FTimeline::SetDisplayList(int frame, const std::vector<FDisplayRecord>& list) {
    std::set<int32_t> named;
    for (const auto& r : list) named.insert(r.depth);
    for (auto& [depth, element] : elements)
        if (!named.count(depth) && element.IsPlacedAt(frame)) element.ApplyRemove(frame);
    for (const auto& r : list) AddRecord(r, frame);
}

void FTimeline::AddRecord(const FDisplayRecord& record, int frame) {
    ElementAt(static_cast<uint16_t>(record.depth)).AddRecord(record, frame);
}

bool FTimeline::GetFrameLabel(uint32_t frame, std::string& out) const {
    auto range = frames.equal_range(frame);
    for (auto it = range.first; it != range.second; ++it) {
        if (!it->second.label.label.empty()) {
            out = it->second.label.label;
            return true;
        }
    }
    return false;
}

bool FTimeline::GetFrame(uint32_t frame, FlashTagDoAction& actions) const {
    auto range = frames.equal_range(frame);
    for (auto it = range.first; it != range.second; ++it) {
        if (!it->second.actions.actions.records.empty()) {
            actions = it->second.actions;
            return true;
        }
    }
    return false;
}

void FTimeline::Clear() {
    elements.clear();
    frames.clear();
    backgroundColors.clear();
    keptTags.clear();
    streamSound.Clear();
    frameCount = 0;
    streamStartFrame = 0;
    streamStarted = 0;
    blockInFrame = 0;
    frameCursor = nullptr;
}

void FTimeline::BuildFromTags(const std::vector<std::unique_ptr<FlashTag>>& tags) {
    Clear();
    for (const auto& t : tags)
        if (t) t->Accept(*this);
    EndBuild();
}

void FTimeline::ShiftDepths(uint16_t depth, int16_t delta) {
    std::vector<FTimelineElement> copies;
    bool shifted = false;
    for (auto& [d, element] : elements) {
        copies.push_back(element);
        bool move = delta >= 0 ? d >= depth : d <= depth;
        if (move) {
            copies.back().ShiftDepth(delta);
            shifted = true;
        }
    }
    if (!shifted) return;
    elements.clear();
    for (auto& e : copies) elements[e.depth] = std::move(e);
}

void FTimeline::WriteKeptTags(flash_ostream& out, uint32_t frame) const {
    auto first = std::lower_bound(keptTags.begin(), keptTags.end(), frame,
                                  [](const FTimelineKeptTag& k, uint32_t f) { return k.frame < f; });
    for (auto it = first; it != keptTags.end() && it->frame == frame; ++it) {
        for (uint16_t id : KeptTagCharacters(*it->tag)) out.RequireCharacter(id);
        it->tag->Write(out);
    }
}

void FTimeline::WriteFrames(flash_ostream& out, bool skipFirstKept) const {
    int last = GetFrameCount();
    bool streamWritten = false;
    // The frames in which each depth has records, in frame and then depth order: a frame visits
    // only the depths that change in it, so writing is linear in the records, not frames x depths.
    std::vector<std::pair<int, const FTimelineElement*>> changes;
    for (const auto& [depth, element] : elements)
        for (size_t i = 0; i < element.records.size(); ++i)
            if (i == 0 || element.records[i].frame != element.records[i - 1].frame)
                changes.emplace_back(element.records[i].frame, &element);
    std::stable_sort(changes.begin(), changes.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    auto change = changes.begin();
    while (change != changes.end() && change->first < 0) ++change;
    for (int f = 0; f <= last; ++f) {
        if (f > 0 || !skipFirstKept) WriteKeptTags(out, static_cast<uint32_t>(f));
        auto colors = backgroundColors.equal_range(static_cast<uint32_t>(f));
        for (auto it = colors.first; it != colors.second; ++it) {
            const FlashRGBA& c = it->second;
            FlashTagBackgroundColor tag(static_cast<uint8_t>(c.r), static_cast<uint8_t>(c.g), static_cast<uint8_t>(c.b));
            tag.Write(out);
        }
        if (f == 0 && streamSound.GetBlockCount() > 0) {
            streamSound.WriteHead(out);
            streamWritten = true;
        }
        auto range = frames.equal_range(static_cast<uint32_t>(f));
        for (auto it = range.first; it != range.second; ++it) {
            FTimelineFrame record = it->second;
            if (!record.actions.actions.records.empty()) record.actions.Write(out);
            if (!record.label.label.empty()) record.label.Write(out);
        }
        for (; change != changes.end() && change->first == f; ++change) change->second->WriteFrame(out, f);
        if (streamWritten && f >= streamStartFrame) streamSound.WriteBlock(out, static_cast<size_t>(f - streamStartFrame));
        if (f < last) FlashTagShowFrame().Write(out);
    }
}

int FTimeline::GetFrameCount() const {
    int64_t stream = static_cast<int64_t>(streamStartFrame) + static_cast<int64_t>(streamSound.GetBlockCount());
    return static_cast<int>(stream > frameCount ? stream : frameCount);
}

int FTimeline::CountTrailingStillFrames() const {
    // The frames after the last one where any depth changes are still; each depth is walked once.
    int last = GetFrameCount() - 1;
    if (last <= 0) return 0;
    int changed = 0;
    for (const auto& [depth, element] : elements) changed = std::max(changed, element.LastChangeFrame(last));
    return -(last - changed);
}

FTimeline FTimeline::ExtractFrames(uint32_t start, int count) const {
    FTimeline out(count);
    for (const auto& [depth, element] : elements)
        out.elements[depth] = element.ExtractRange(static_cast<int>(start), count);
    auto first = frames.lower_bound(start);
    auto end = count == -1 ? frames.end() : frames.lower_bound(start + static_cast<uint32_t>(count < 0 ? 0 : count));
    if (count < -1 || count == 0) end = first;
    for (auto it = first; it != end; ++it) out.frames.emplace(it->first - start, it->second);
    return out;
}

void FTimeline::ReplaceID(uint16_t oldId, uint16_t newId) {
    for (auto& [depth, element] : elements) element.ReplaceID(oldId, newId);
    for (auto& kept : keptTags)
        if (std::unique_ptr<FlashTag> changed = KeptTagWithReplacedID(*kept.tag, oldId, newId))
            kept.tag = std::move(changed);
}

void FTimeline::RenumberDisplayDepths(std::vector<FDisplayRecord>& list) {
    int32_t d = 1;
    for (auto& r : list) r.depth = d++;
}
