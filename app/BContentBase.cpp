#include "BContentBase.h"

#include "RunLengthImage.h"

#include "BWindow.h"
#include "ResourceData.h"

BContentBase::BContentBase() = default;

BContentBase::~BContentBase()
{
    if (listenedWindow != nullptr)
        listenedWindow->removeMouseListener(this);
}

void BContentBase::mouseDown(const juce::MouseEvent& e)
{
    if (e.mods.isLeftButtonDown())
    {
        if (auto* window = BWindow::getMainWindow())
        {
            dragStartX = window->getX();
            dragStartY = window->getY();
        }
    }
    juce::Component::mouseDown(e);
}

void BContentBase::mouseDrag(const juce::MouseEvent& e)
{
    dragWindow(e);
    juce::Component::mouseDrag(e);
}

void BContentBase::mouseUp(const juce::MouseEvent& e)
{
    dragWindow(e);
    if (e.mods.isLeftButtonDown())
    {
        dragStartX = noDrag;
        dragStartY = noDrag;
    }
    juce::Component::mouseUp(e);
}

void BContentBase::mouseDoubleClick(const juce::MouseEvent& e)
{
    auto* window = BWindow::getMainWindow();
    if (window == nullptr || e.eventComponent != window)
    {
        juce::Component::mouseDoubleClick(e);
        return;
    }
    if (! e.mods.isRightButtonDown() && e.mods.isLeftButtonDown() && e.y < window->getTitleBarHeight())
        window->setMinimised(true);
}

void BContentBase::dragWindow(const juce::MouseEvent& e)
{
    if (dragStartX == noDrag)
        return;
    if (auto* window = BWindow::getMainWindow())
        window->setTopLeftPosition(dragStartX + e.getDistanceFromDragStartX(),
                                   dragStartY + e.getDistanceFromDragStartY());
}

void BContentBase::minimisationStateChanged(bool /*isNowMinimised*/)
{
}

void BContentBase::paint(juce::Graphics& g)
{
    g.setOpacity(1.0f);
    if (background != nullptr)
        background->draw(g, 1.0f, juce::AffineTransform());
}

void BContentBase::createContent()
{
    background = loadResourceImage("background.png");
    if (background != nullptr)
    {
        const auto bounds = background->getDrawableBounds();
        backgroundWidth = static_cast<int>(bounds.getWidth());
        backgroundHeight = static_cast<int>(bounds.getHeight());
    }
    if (auto* window = BWindow::getMainWindow())
    {
        window->addMouseListener(this, false);
        listenedWindow = window;
    }
}

bool BContentBase::loadSettings(const juce::String& /*commandLine*/)
{
    return true;
}

void BContentBase::afterStart(bool /*started*/)
{
}

bool BContentBase::canClose()
{
    return true;
}

void BContentBase::saveSettings()
{
}

void BContentBase::updateControlStates()
{
}

bool BContentBase::prepareShow()
{
    return true;
}

void BContentBase::handleAsyncUpdate()
{
    if (updatePending)
    {
        updatePending = false;
        updateControlStates();
    }
    if (repaintPending)
    {
        repaintPending = false;
        repaint();
    }
}

juce::HyperlinkButton* BContentBase::addHyperlink(const juce::String& url)
{
    // The caller owns the button (it deletes it with its other controls).
    auto* link = new juce::HyperlinkButton(" ", juce::URL(url));
    link->setColour(juce::HyperlinkButton::textColourId, juce::Colours::white.withAlpha(0.0f));
    addAndMakeVisible(link, -1);
    return link;
}

namespace
{
/** The drawable of an image file's bytes: an opaque image that shrinks to
    the runs of its rows is kept that way (the window's background costs
    about 50 KB instead of 0.9 MB decoded), any other image as it is, and a
    file that is no image as the drawing it holds (SVG), if any. */
std::unique_ptr<juce::Drawable> createDrawable(const void* data, size_t size)
{
    const juce::Image image = juce::ImageFileFormat::loadFrom(data, size);
    if (! image.isValid())
        return juce::Drawable::createFromImageData(data, size);
    if (auto lean = RunLengthImage::fromImage(image))
        return lean;
    return std::make_unique<juce::DrawableImage>(image);
}
} // namespace

std::unique_ptr<juce::Drawable> loadResourceImage(const juce::String& fileName)
{
    // Taken as a full path so that the name splits into name and extension
    // whatever the text holds before them.
    const juce::File file("/" + fileName);
    const juce::String type = file.getFileExtension().fromFirstOccurrenceOf(".", false, false).toUpperCase();
    const juce::String name = file.getFileNameWithoutExtension().toUpperCase();
    return std::move(loadImageFromResource(type, name, true).drawable);
}

ResourceImage loadImageFromResource(const juce::String& type, const juce::String& name, bool asDrawable)
{
    ResourceImage result;
    Tr::TResourceData resource;
    const bool loaded = Tr::loadResource(nullptr, type.toRawUTF8(), name.toRawUTF8(), resource);
    const auto size = static_cast<size_t>(resource.size);
    if (! loaded || resource.data == nullptr || size == 0)
    {
        // A record can keep its handle without bytes; it is released all the same.
        Tr::freeResource(&resource);
        return result;
    }

    if (asDrawable)
    {
        result.drawable = createDrawable(resource.data, size);
    }
    else
    {
        const juce::Image image = juce::ImageCache::getFromMemory(resource.data, static_cast<int>(size));
        if (image.isValid())
            result.image = std::make_unique<juce::Image>(image);
    }
    Tr::freeResource(&resource);
    return result;
}
