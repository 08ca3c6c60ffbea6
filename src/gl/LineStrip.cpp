#include "LineStrip.h"

void LineStrip::upload(const std::vector<std::array<float, 4>>& samples)
{
    count = int(samples.size());
    if (samples.empty()) {
        // No storage kept for a line that is gone.
        reset();
        return;
    }
    if (!array) {
        array = GLVertexArray::create();
        buffer = GLBuffer::create();
        glBindVertexArray(array.id());
        glBindBuffer(GL_ARRAY_BUFFER, buffer.id());
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, sizeof(samples[0]), nullptr);
        glBindVertexArray(0);
    }
    glBindBuffer(GL_ARRAY_BUFFER, buffer.id());
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(samples.size() * sizeof(samples[0])), samples.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void LineStrip::draw() const
{
    if (count < 2 || !array)
        return;
    glBindVertexArray(array.id());
    glDrawArrays(GL_LINE_STRIP, 0, count);
    glBindVertexArray(0);
}

void LineStrip::reset()
{
    buffer.reset();
    array.reset();
    count = 0;
}
