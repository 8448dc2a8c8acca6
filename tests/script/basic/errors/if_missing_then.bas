If a x = 1
