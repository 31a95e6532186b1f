// RenderObjectPreview over the model's object definitions.
#include <memory>
#include <new>

#include "model/ObjectDefinitions.h"
#include "preview/ObjectPreview.h"
#include "preview/SpriteDecoder.h"

PreviewDefinition PreviewDefinitionOf(const CObjectDefinition& d) {
    PreviewDefinition p;
    p.baseGraphicId = d.BaseGraphicId();
    p.graphicCount = d.GraphicCount();
    p.masterId = d.MasterId();
    p.subIndex = d.SubIndex();
    p.placementLevel = d.PlacementLevel();
    p.dynamicSpriteBase = d.DynamicSpriteBaseId();
    p.dynamicSpriteCount = d.DynamicSpriteCount();
    p.graphicIndex = d.graphicIndex;
    p.opacity = d.opacity;
    p.depth = d.previewDepth;
    return p;
}

DibPtr RenderObjectPreview(CObjectDefinition& definition, std::int32_t viewSelector,
                           ColorRef background, std::int32_t floorGrid) {
    CResourceFile* file = definition.Owner().ResourceFile();
    if (!file) return nullptr;

    PreviewDefinition root = PreviewDefinitionOf(definition);
    const std::vector<CObjectDefinition*>& parts = definition.Parts();
    std::vector<PreviewDefinition> partViews;
    partViews.reserve(parts.size());
    for (const CObjectDefinition* part : parts)
        partViews.push_back(PreviewDefinitionOf(*part));
    for (PreviewDefinition& p : partViews)
        root.parts.push_back(&p);

    // The depths written by the measuring pass go back to the definitions, even when a bad
    // sprite ends the drawing.
    struct WriteBack {
        CObjectDefinition& definition;
        const PreviewDefinition& root;
        const std::vector<PreviewDefinition>& partViews;
        ~WriteBack() {
            definition.previewDepth = root.depth;
            for (std::size_t i = 0; i < partViews.size(); ++i)
                definition.Parts()[i]->previewDepth = partViews[i].depth;
        }
    } writeBack{definition, root, partViews};

    return RenderPreview(*file, root, viewSelector, background, floorGrid);
}

DibPtr RenderObjectPreviewNoThrow(CObjectDefinition& definition, std::int32_t viewSelector,
                                  ColorRef background, std::int32_t floorGrid,
                                  bool* badToken) noexcept {
    if (badToken) *badToken = false;
    try {
        return RenderObjectPreview(definition, viewSelector, background, floorGrid);
    } catch (const CBadTokenError&) {
        if (badToken) *badToken = true;
    } catch (const std::bad_alloc&) {
    }
    return nullptr;
}
