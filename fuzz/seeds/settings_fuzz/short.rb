log false gamepad true
joystick true
keyboard
