log true
gamepad false
joystick false
keyboard false
