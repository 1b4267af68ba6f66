// Touch sensor reading, stored as the server reports it.
#pragma once

class Touch {
public:
    static constexpr int kNameSize = 10;

    // Empty name, value 0.
    Touch();

    // Keeps at most 9 characters; a null name clears the field.
    void setName(const char* newName);
    const char* getName() const;
    void setRate(float value);
    float getRate() const;

private:
    char name[kNameSize];
    float rate;
};
