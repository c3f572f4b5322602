// The interface through which the MIDI output chooser reports its selection.
#pragma once

class ComboBoxMidi;

/** Told by a ComboBoxMidi whenever the port it shows as chosen changes. The
    chooser does not own its listeners and never deletes them through this
    interface, so it has no virtual destructor. */
class ComboBoxMidiListener
{
public:
    virtual void comboBoxMidiChanged(ComboBoxMidi* chooser) = 0;

protected:
    ~ComboBoxMidiListener() = default;
};
